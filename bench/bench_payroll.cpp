// Times a month's salary generation and settlement through the code the
// payroll dialog runs, beside the same work done set-based in plain SQL
// (one INSERT ... SELECT and one UPDATE in one transaction), on two copies of
// one database. Checks that both give the same rows.
//
//   bench_payroll [employees=10000] [runs=3]
#include "data/U_data.h"
#include "data/schema.h"
#include "payroll/salary_month.h"
#include <QCoreApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>
#include <string>

namespace {

const char* const kMonth = "2024-01";

void check(sqlite3* h, int rc, const char* what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(h));
        std::exit(1);
    }
}

void exec(sqlite3* h, const std::string& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(h, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n  in %s\n", err ? err : "?", sql.substr(0, 200).c_str());
        std::exit(1);
    }
}

sqlite3* openDb(const std::string& path, bool create)
{
    sqlite3* h = nullptr;
    int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &h, flags, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        std::exit(1);
    }
    // The same settings the program's connection uses.
    exec(h, "pragma journal_mode=wal; pragma synchronous=full;");
    return h;
}

// 10,000 employees with templates, the rule row, seven brackets and one
// month of assessment rows.
void populate(const std::string& path, int n)
{
    sqlite3* h = openDb(path, true);
    exec(h, data::schemaSql());
    exec(h, "begin");
    exec(h, "insert into 考勤表 values (300, 22, 3, 21.75, 2)");
    exec(h, "insert into 个人所得税税率表 values (1, 0, 1500, 0.03), (2, 1500, 4500, 0.1), (3, 4500, 9000, 0.2), "
            "(4, 9000, 35000, 0.25), (5, 35000, 55000, 0.3), (6, 55000, 80000, 0.35), (7, 80000, 1000000000, 0.45)");
    sqlite3_stmt* emp = nullptr;
    sqlite3_stmt* tpl = nullptr;
    sqlite3_stmt* kh = nullptr;
    check(h, sqlite3_prepare_v2(h, "insert into 人事表 (bh, xm, sflz) values (?, ?, '否')", -1, &emp, nullptr), "prepare");
    check(h, sqlite3_prepare_v2(h, "insert into 工资模板 values (?, ?, ?, ?, ?, 0.08, 0.01, 0.02, ?)", -1, &tpl, nullptr), "prepare");
    check(h, sqlite3_prepare_v2(h, "insert into 考核表 values (?, ?, 0, ?, ?, ?, ?, '良好', '80', '王', ?, '')", -1, &kh, nullptr), "prepare");
    const double bounds[] = {0, 1500, 4500, 9000, 35000, 55000, 80000, 1e9};
    for (int i = 0; i < n; ++i) {
        char bh[24], xm[24];
        std::snprintf(bh, sizeof bh, "mr%05d", i + 1);
        std::snprintf(xm, sizeof xm, "员工%d", i + 1);
        const double basic = 1200 + (i * 37) % 9000 + 0.5 * (i % 3);
        int level = 1;
        while (level < 7 && basic >= bounds[level]) ++level;

        sqlite3_bind_text(emp, 1, bh, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(emp, 2, xm, -1, SQLITE_TRANSIENT);
        check(h, sqlite3_step(emp), "employee");
        sqlite3_reset(emp);

        sqlite3_bind_text(tpl, 1, bh, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(tpl, 2, xm, -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(tpl, 3, basic);
        sqlite3_bind_double(tpl, 4, 200);
        sqlite3_bind_double(tpl, 5, 100 + i % 400);
        sqlite3_bind_int(tpl, 6, level);
        check(h, sqlite3_step(tpl), "template");
        sqlite3_reset(tpl);

        sqlite3_bind_text(kh, 1, bh, -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(kh, 2, 20 + i % 4);
        sqlite3_bind_double(kh, 3, i % 3);
        sqlite3_bind_double(kh, 4, i % 2);
        sqlite3_bind_double(kh, 5, i % 4 == 0 ? 1 : 0);
        sqlite3_bind_double(kh, 6, (i % 5) * 1.5);
        sqlite3_bind_text(kh, 7, kMonth, -1, SQLITE_STATIC);
        check(h, sqlite3_step(kh), "assessment");
        sqlite3_reset(kh);
    }
    sqlite3_finalize(emp);
    sqlite3_finalize(tpl);
    sqlite3_finalize(kh);
    exec(h, "commit");
    sqlite3_close(h);
}

void rintFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(std::rint(sqlite3_value_double(argv[0]))));
}

const char* const kReferenceInsert =
    "insert into 工资表 select a.考核月份, a.员工编号, t.员工姓名, t.基本工资, "
    "case when a.加班时数 > 0 then t.基本工资 / r.月平均工作天数 / 8 * r.几倍 * a.加班时数 else 0 end, "
    "case when a.出勤天数 < r.出勤天数 or a.迟到次数 + a.早退次数 >= r.迟到早退次数 then 0 else t.全勤奖 end, "
    "t.职务津贴, 0, "
    "case when a.旷工天数 > 0 then t.基本工资 / r.月平均工作天数 * r.几倍 * a.旷工天数 else 0 end, "
    "t.基本工资 * t.养老保险, t.基本工资 * t.失业保险, t.基本工资 * t.医疗保险, t.基本工资 * s.税率, 0, null, null, null, '' "
    "from 考核表 a "
    "left join 工资模板 t on t.rowid = (select rowid from 工资模板 where 员工编号 = a.员工编号 limit 1) "
    "left join (select * from 考勤表 limit 1) r "
    "left join 个人所得税税率表 s on s.rowid = (select rowid from 个人所得税税率表 where 级别号 = t.扣税级别 limit 1) "
    "where a.考核月份 = '2024-01'";

const char* const kReferenceUpdate =
    "update 工资表 set yfgz = rint(jbgz + jbf + qqj + zwjt + qtje), "
    "ykgz = rint(kgf + ylbx + ylx + sybx + qtke + ks), "
    "sfgz = rint(jbgz + jbf + qqj + zwjt + qtje) - rint(kgf + ylbx + ylx + sybx + qtke + ks) "
    "where gzyf = '2024-01'";

double seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    QTemporaryDir dir;
    const std::string pathProgram = (dir.path() + QStringLiteral("/program.mdb")).toStdString();
    const std::string pathReference = (dir.path() + QStringLiteral("/reference.mdb")).toStdString();
    populate(pathProgram, n);
    populate(pathReference, n);
    using clock = std::chrono::steady_clock;

    // The program's way, through the shared queries.
    Data1 = new TData1(QString::fromStdString(pathProgram));
    double bestGen = 1e9, bestSettle = 1e9;
    for (int run = 0; run < runs; ++run) {
        if (run > 0) Data1->ADOConnection2.exec(QStringLiteral("delete from 工资表"));
        int failures = 0;
        const auto t0 = clock::now();
        const payroll::GenerateResult g = payroll::generateMonth(Data1->ADOConnection2, QString::fromLatin1(kMonth),
                                                                 QStringLiteral("0"), QStringLiteral("0"), QString(),
                                                                 [&](const QString&) { ++failures; });
        const auto t1 = clock::now();
        const payroll::SettleResult s = payroll::settleMonth(Data1->ADOConnection2, QString::fromLatin1(kMonth));
        const auto t2 = clock::now();
        if (g.inserted != n || failures || s.status != payroll::SettleStatus::Settled || s.written != n) {
            std::fprintf(stderr, "program run incomplete: %d inserted, %d failed, %d settled\n", g.inserted, failures, s.written);
            return 1;
        }
        bestGen = std::min(bestGen, seconds(t0, t1));
        bestSettle = std::min(bestSettle, seconds(t1, t2));
    }
    delete Data1;
    Data1 = nullptr;

    // The set-based reference.
    sqlite3* h = openDb(pathReference, false);
    sqlite3_create_function(h, "rint", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, rintFunction, nullptr, nullptr);
    double bestRef = 1e9;
    for (int run = 0; run < runs; ++run) {
        if (run > 0) exec(h, "delete from 工资表");
        const auto t0 = clock::now();
        exec(h, "begin immediate");
        exec(h, kReferenceInsert);
        exec(h, kReferenceUpdate);
        exec(h, "commit");
        bestRef = std::min(bestRef, seconds(t0, clock::now()));
    }

    // Same rows both ways.
    exec(h, "attach database '" + pathProgram + "' as p");
    sqlite3_stmt* st = nullptr;
    check(h, sqlite3_prepare_v2(h,
        "select count(*) from (select * from main.工资表 except select * from p.工资表) "
        "union all select count(*) from (select * from p.工资表 except select * from main.工资表) "
        "union all select count(*) from p.工资表", -1, &st, nullptr), "compare");
    int diff[3] = {0, 0, 0};
    for (int i = 0; i < 3 && sqlite3_step(st) == SQLITE_ROW; ++i) diff[i] = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(h);

    const double program = bestGen + bestSettle;
    std::printf("employees: %d, best of %d runs\n", n, runs);
    std::printf("program:   generation %.3f s + settlement %.3f s = %.3f s\n", bestGen, bestSettle, program);
    std::printf("reference: insert-select + update, one transaction = %.3f s\n", bestRef);
    std::printf("ratio:     %.2fx\n", program / bestRef);
    std::printf("rows:      %d, differing %d / %d\n", diff[2], diff[0], diff[1]);
    return diff[0] || diff[1] || diff[2] != n ? 1 : 0;
}
