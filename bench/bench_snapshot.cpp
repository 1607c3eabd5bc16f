// Opening a large table into a snapshot, beside a bare read of the same rows.
//
//   bench_snapshot [employees] [months] [photos] [photo KB]
//                 (default 10000 x 60 = 600,000 rows; 1000 photos of 200 KB)
//
// Builds a temporary database from the schema, fills 工资表 in one
// transaction, then times a bare sqlite3_step loop that reads every column
// and db::Query::open of the same statement, and reports peak memory. Then
// opens "select * from 人事表" over employees with photos, as the employee
// browse does, and reads one photo back.
#include "bench_util.h"
#include "data/schema.h"
#include "platform/db/connection.h"
#include "platform/db/error.h"
#include "platform/db/query.h"
#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sqlite3.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using namespace bench;

void fill(const std::string& path, int employees, int months)
{
    sqlite3* h = nullptr;
    check(sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), h, "create");
    check(sqlite3_exec(h, data::schemaSql(), nullptr, nullptr, nullptr), h, "schema");
    check(sqlite3_exec(h, "PRAGMA journal_mode=WAL; BEGIN", nullptr, nullptr, nullptr), h, "begin");
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(h, "insert into 工资表 values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &st, nullptr), h,
          "prepare");

    static const char* surnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙", "马", "朱", "胡", "郭"};
    static const char* given[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "涛", "明", "超"};
    std::mt19937 gen(7);
    auto cents = [&](double lo, double hi) {
        return std::round(std::uniform_real_distribution<double>(lo, hi)(gen) * 100) / 100;
    };

    for (int e = 0; e < employees; ++e) {
        char code[16];
        std::snprintf(code, sizeof code, "mr%05d", e + 1);
        std::string name = std::string(surnames[gen() % 16]) + given[gen() % 16];
        if (gen() % 2) name += given[gen() % 16];
        const double base = std::round(cents(2000, 9000));
        const double allowance = std::round(cents(0, 1500) / 50) * 50;
        for (int m = 0; m < months; ++m) {
            char month[16];
            std::snprintf(month, sizeof month, "%04d-%02d", 2019 + m / 12, m % 12 + 1);
            const double overtime = gen() % 3 ? 0 : cents(0, 600);
            const double bonus = gen() % 4 ? 200 : 0;
            const double other = gen() % 10 ? 0 : cents(0, 500);
            const double absence = gen() % 8 ? 0 : cents(0, 300);
            const double pension = std::round(base * 0.08 * 100) / 100;
            const double unemployment = std::round(base * 0.01 * 100) / 100;
            const double medical = std::round(base * 0.02 * 100) / 100;
            const double gross = base + overtime + bonus + allowance + other;
            const double tax = std::round(std::max(0.0, gross - 5000) * 0.1 * 100) / 100;
            const double otherDeduction = gen() % 20 ? 0 : cents(0, 200);
            const double deductions = absence + pension + unemployment + medical + tax + otherDeduction;
            int i = 1;
            sqlite3_bind_text(st, i++, month, -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, i++, code, -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, i++, name.c_str(), -1, SQLITE_TRANSIENT);
            for (double v : {base, overtime, bonus, allowance, other, absence, pension, unemployment, medical, tax,
                             otherDeduction})
                sqlite3_bind_double(st, i++, v);
            if (m + 1 < months) {   // the last month is not settled yet
                sqlite3_bind_int64(st, i++, sqlite3_int64(std::llround(gross)));
                sqlite3_bind_int64(st, i++, sqlite3_int64(std::llround(deductions)));
                sqlite3_bind_int64(st, i++, sqlite3_int64(std::llround(gross - deductions)));
            } else {
                for (int k = 0; k < 3; ++k) sqlite3_bind_null(st, i++);
            }
            sqlite3_bind_text(st, i++, other > 0 ? "加班补贴及其它" : "", -1, SQLITE_STATIC);
            check(sqlite3_step(st), h, "insert");
            sqlite3_reset(st);
        }
    }
    sqlite3_finalize(st);
    check(sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr), h, "commit");
    sqlite3_close(h);
}

// Employees with a photo each (bytes that do not compress, as a bitmap's may not).
void fillPhotos(const std::string& path, int employees, int kb)
{
    sqlite3* h = nullptr;
    check(sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr), h, "open");
    check(sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr), h, "begin");
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(h, "insert into 人事表 (bh, xm, zp, ssbm, sflz) values (?, ?, ?, '财务部', '否')", -1, &st,
                             nullptr), h, "prepare");
    std::mt19937 gen(11);
    std::string photo(size_t(kb) * 1024, '\0');
    for (int e = 0; e < employees; ++e) {
        for (char& c : photo) c = char(gen());
        photo[0] = 'B';
        photo[1] = 'M';
        char code[16];
        std::snprintf(code, sizeof code, "mr%05d", e + 1);
        sqlite3_bind_text(st, 1, code, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, "员工", -1, SQLITE_STATIC);
        sqlite3_bind_blob(st, 3, photo.data(), int(photo.size()), SQLITE_TRANSIENT);
        check(sqlite3_step(st), h, "insert");
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    check(sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr), h, "commit");
    sqlite3_close(h);
}

// Every column of every row read as the engine gives it, nothing kept.
double bareLoop(const std::string& path, long* rows)
{
    sqlite3* h = nullptr;
    check(sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr), h, "open");
    const auto t0 = Clock::now();
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(h, "select * from 工资表", -1, &st, nullptr), h, "prepare");
    const int cols = sqlite3_column_count(st);
    double sum = 0;
    size_t bytes = 0;
    *rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        ++*rows;
        for (int c = 0; c < cols; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER: sum += double(sqlite3_column_int64(st, c)); break;
            case SQLITE_FLOAT: sum += sqlite3_column_double(st, c); break;
            case SQLITE_TEXT:
                bytes += size_t(sqlite3_column_bytes(st, c));
                bytes += sqlite3_column_text(st, c)[0];
                break;
            case SQLITE_BLOB: bytes += size_t(sqlite3_column_bytes(st, c)); break;
            default: break;
            }
        }
    }
    sqlite3_finalize(st);
    const auto t1 = Clock::now();
    sqlite3_close(h);
    if (sum == 42.0 && bytes == 42) std::puts("");   // keeps the reads
    return seconds(t0, t1);
}

}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int employees = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int months = argc > 2 ? std::atoi(argv[2]) : 60;
    const int photos = argc > 3 ? std::atoi(argv[3]) : 1000;
    const int photoKb = argc > 4 ? std::atoi(argv[4]) : 200;

    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("bench.mdb")).toStdString();

    const auto f0 = Clock::now();
    fill(path, employees, months);
    std::printf("filled 工资表 with %d rows in %.2f s (one transaction)\n", employees * months,
                seconds(f0, Clock::now()));

    long rows = 0;
    bareLoop(path, &rows);   // warm the file cache so both runs read from memory
    double bare = 1e9;
    for (int i = 0; i < 3; ++i) bare = std::min(bare, bareLoop(path, &rows));

    try {
        db::Connection conn(QString::fromStdString(path));
        db::Query q(conn, QStringLiteral("bench"));
        q.setSql(QStringLiteral("select * from 工资表"));
        conn.handle();
        // The first open shows the memory a snapshot takes (freed memory
        // may stay with the process, so later opens would show less).
        const long before = currentRssKb();
        auto t0 = Clock::now();
        q.open();
        double snap = seconds(t0, Clock::now());
        const long after = currentRssKb();
        for (int i = 0; i < 2; ++i) {
            q.close();
            t0 = Clock::now();
            q.open();
            snap = std::min(snap, seconds(t0, Clock::now()));
        }
        if (q.recordCount() != rows) {
            std::fprintf(stderr, "query holds %d rows, table %ld\n", q.recordCount(), rows);
            return 1;
        }

        // What a grid does: every cell as a value, once.
        const auto g0 = Clock::now();
        size_t chars = 0;
        const int cols = q.fieldCount();
        for (int r = 0; r < q.recordCount(); ++r)
            for (int c = 0; c < cols; ++c) chars += size_t(q.value(r, c).toText().size());
        const double cells = seconds(g0, Clock::now());

        std::printf("rows                         %ld x %d columns\n", rows, cols);
        std::printf("bare sqlite3_step loop       %.3f s (best of 3)\n", bare);
        std::printf("db::Query::open              %.3f s (best of 3)\n", snap);
        std::printf("ratio open / bare            %.2f  (target <= 1.5)\n", snap / bare);
        std::printf("rows resident size           %.1f MB\n", double(after - before) / 1024);
        std::printf("every cell as text once      %.3f s (%zu characters)\n", cells, chars);
        std::printf("peak resident size           %.1f MB (target <= 250)\n", double(peakRssKb()) / 1024);
        q.close();

        // The employee browse: every column of every employee, photos among them.
        fillPhotos(path, photos, photoKb);
        conn.close();
        q.setSql(QStringLiteral("select * from 人事表"));
        const long photoBefore = currentRssKb();
        t0 = Clock::now();
        q.open();
        const double photoOpen = seconds(t0, Clock::now());
        const long photoAfter = currentRssKb();
        t0 = Clock::now();
        q.setRecNo(q.recordCount() / 2);
        const QByteArray one = q.field(QStringLiteral("zp")).toBlob();
        const double photoRead = seconds(t0, Clock::now());
        if (q.recordCount() != photos || one.size() != photoKb * 1024) {
            std::fprintf(stderr, "photos: %d rows, one of %lld bytes\n", q.recordCount(), (long long)one.size());
            return 1;
        }
        std::printf("employees with photos        %d x %d KB\n", photos, photoKb);
        std::printf("open select * from 人事表    %.3f s, rows hold %.1f MB, resident +%.1f MB\n", photoOpen,
                    double(q.bytes()) / (1024 * 1024), double(photoAfter - photoBefore) / 1024);
        std::printf("one photo as a value         %.4f s\n", photoRead);
    } catch (const db::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
