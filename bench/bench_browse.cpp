// Opening the employee browse on a large company, beside a bare read.
//
//   bench_browse [database]   (default $TMPDIR/hrms_bench_browse.mdb, or /tmp)
//
// Builds the database once and keeps it: 10,000 employees over 40
// departments, each with a 100 KB bitmap photo (about 1 GB). Then, in the
// program's own dialogs: a bare sqlite3_step loop over the non-photo columns,
// opening the browse (list and tree), a tree click, a prefix query, the
// memory above the idle program, and 修改 of one employee (its photo decoded).
#include "bench_util.h"
#include "data/U_data.h"
#include "data/schema.h"
#include "data/session.h"
#include "platform/image/image.h"
#include "personnel/U_xygdj.h"
#include "personnel/U_ygxxll.h"
#include "platform/ui/controls.h"
#include "platform/ui/modal.h"
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>
#include <string>
#include <unistd.h>

namespace {

using namespace bench;

constexpr int kEmployees = 10000;
constexpr int kDepartments = 40;

// A 190 x 180 24-bit bitmap: 100 KB with its headers.
QByteArray photo()
{
    QImage im(190, 180, QImage::Format_RGB32);
    im.fill(QColor(90, 140, 200));
    QPainter p(&im);
    p.fillRect(40, 30, 110, 120, QColor(240, 210, 180));
    p.end();
    return img::encodeBmp(im);
}

bool complete(const std::string& path)
{
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(h);
        return false;
    }
    auto number = [h](const char* sql) {
        sqlite3_stmt* st = nullptr;
        long long n = -1;
        if (sqlite3_prepare_v2(h, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return n;
    };
    // Made from the schema as it stands (tables, indexes, auto_vacuum) and filled in full.
    auto schemaOf = [](sqlite3* db) {
        std::string text;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "select coalesce(sql, '') from sqlite_master order by name", -1, &st, nullptr) == SQLITE_OK)
            while (sqlite3_step(st) == SQLITE_ROW) text += reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
        if (sqlite3_prepare_v2(db, "PRAGMA auto_vacuum", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            text += std::to_string(sqlite3_column_int(st, 0));
        sqlite3_finalize(st);
        return text;
    };
    sqlite3* probe = nullptr;
    sqlite3_open_v2(":memory:", &probe, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(probe, data::schemaSql(), nullptr, nullptr, nullptr);
    const std::string wanted = schemaOf(probe);
    sqlite3_close(probe);
    const bool ok = schemaOf(h) == wanted &&
                    number("select count(*) from 人事表 where length(zp) > 100000") == kEmployees;
    sqlite3_close(h);
    return ok;
}

void fill(const std::string& path)
{
    std::remove(path.c_str());
    sqlite3* h = nullptr;
    check(sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), h, "create");
    check(sqlite3_exec(h, data::schemaSql(), nullptr, nullptr, nullptr), h, "schema");
    check(sqlite3_exec(h, "PRAGMA journal_mode=WAL; BEGIN; insert into 单位信息表 (单位名称) values ('澄岚公司')",
                       nullptr, nullptr, nullptr), h, "begin");
    sqlite3_stmt* dept = nullptr;
    check(sqlite3_prepare_v2(h, "insert into 部门表 values (?, ?)", -1, &dept, nullptr), h, "prepare");
    for (int d = 0; d < kDepartments; ++d) {
        char no[8], name[32];
        std::snprintf(no, sizeof no, "%03d", d + 1);
        std::snprintf(name, sizeof name, "部门%02d", d + 1);
        sqlite3_bind_text(dept, 1, no, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(dept, 2, name, -1, SQLITE_TRANSIENT);
        check(sqlite3_step(dept), h, "department");
        sqlite3_reset(dept);
    }
    sqlite3_finalize(dept);

    const QByteArray zp = photo();
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(h,
        "insert into 人事表 values (?1,?2,'男','110105198005120011','1980-05-12','汉族','已婚','群众','北京',"
        "'010 -12345678','13900000000','a@example.com','北京市海淀区','北京大学','计算机','本科','围棋',"
        "'2001-07-01',5,?3,?4,'技术','职员','工程师','2002-08-09','简历','2024-03-04','admin','否',NULL,NULL,NULL)",
        -1, &st, nullptr), h, "prepare");
    static const char* surnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵"};
    static const char* given[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊"};
    for (int e = 0; e < kEmployees; ++e) {
        char bh[16], dept[32];
        std::snprintf(bh, sizeof bh, "mr%05d", e + 1);
        std::snprintf(dept, sizeof dept, "部门%02d", e % kDepartments + 1);
        const std::string xm = std::string(surnames[e % 8]) + given[(e / 8) % 8];
        sqlite3_bind_text(st, 1, bh, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, xm.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_blob(st, 3, zp.constData(), int(zp.size()), SQLITE_STATIC);
        sqlite3_bind_text(st, 4, dept, -1, SQLITE_TRANSIENT);
        check(sqlite3_step(st), h, "employee");
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    check(sqlite3_exec(h, "COMMIT; PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr), h, "commit");
    sqlite3_close(h);
}

// Every column but the photo, every row, as the engine gives it.
double bareLoop(const std::string& path)
{
    sqlite3* h = nullptr;
    check(sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr), h, "open");
    const auto t0 = Clock::now();
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(h,
        "select bh,xm,xb,sfzh,csrq,mz,hyzk,zzmm,jg,lxdh,sjhm,dzyx,jtdz,byyx,zy,whcd,tc,cjgzsj,gl,ssbm,gz,zw,zc,"
        "drsj,jl,djrq,djr,sflz,lzrq,fzrq,lzfydjr from 人事表", -1, &st, nullptr), h, "prepare");
    const int cols = sqlite3_column_count(st);
    size_t bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW)
        for (int c = 0; c < cols; ++c)
            if (sqlite3_column_type(st, c) == SQLITE_TEXT) bytes += size_t(sqlite3_column_bytes(st, c)) + sqlite3_column_text(st, c)[0];
            else bytes += size_t(sqlite3_column_int64(st, c));
    sqlite3_finalize(st);
    const auto t1 = Clock::now();
    sqlite3_close(h);
    if (bytes == 42) std::puts("");   // keeps the reads
    return seconds(t0, t1);
}

// Answers Yes, shows nested dialogs and runs the edit dialog's 修改 at once.
class Operator : public ui::ModalHandler {
public:
    ui::Answer message(const ui::MessageRequest& r) override
    {
        last = r.text;
        return r.buttons == ui::Buttons::YesNo ? ui::Answer::Yes : ui::Answer::Ok;
    }
    QString file(const ui::FileRequest&) override { return {}; }
    int execDialog(QDialog* d) override
    {
        d->show();
        if (auto* e = qobject_cast<Tfrm_xygdj*>(d)) {
            decoded = e->hasPicture();
            e->BitBtn5Click();
        }
        if (d->isVisible()) d->close();
        return d->result();
    }
    void quit() override {}
    QString last;
    bool decoded = false;
};

}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString dir = qEnvironmentVariable("TMPDIR", QStringLiteral("/tmp"));
    const std::string path = argc > 1 ? std::string(argv[1]) : QDir(dir).filePath(QStringLiteral("hrms_bench_browse.mdb")).toStdString();

    if (!complete(path)) {
        const auto f0 = Clock::now();
        fill(path);
        std::printf("built %s in %.1f s\n", path.c_str(), seconds(f0, Clock::now()));
    }
    std::printf("database %s: %.0f MB, %d employees, %d departments\n", path.c_str(),
                QFileInfo(QString::fromStdString(path)).size() / 1e6, kEmployees, kDepartments);

    Operator op;
    ui::setModalHandler(&op);
    Data1 = new TData1(QString::fromStdString(path));
    Data1->ADOConnection2.handle();
    const long idle = currentRssKb();

    bareLoop(path);   // warm the file cache for both
    double bare = 1e9;
    for (int i = 0; i < 3; ++i) bare = std::min(bare, bareLoop(path));

    const auto t0 = Clock::now();
    frm_ygxill = new Tfrm_ygxill();
    frm_ygxill->show();   // FormShow: the list and the tree
    QApplication::processEvents();
    const double open = seconds(t0, Clock::now());
    const long opened = currentRssKb();
    Tfrm_ygxill* f = frm_ygxill;
    const int listed = Data1->ADOQuery1.recordCount();

    auto timed = [](const std::function<void()>& fn) {
        const auto a = Clock::now();
        fn();
        QApplication::processEvents();
        return seconds(a, Clock::now());
    };
    QTreeWidgetItem* node = f->TreeView1->topLevelItem(0)->child(kDepartments / 2);
    f->TreeView1->setCurrentItem(node);
    const double click = timed([&] { f->TreeView1Click(); });
    const int inDept = Data1->ADOQuery1.recordCount();
    f->ComboBox1->setText(QStringLiteral("编号"));
    f->Edit1->setText(QStringLiteral("mr012"));
    const double prefix = timed([&] { f->BitBtn2Click(); });
    const int byPrefix = Data1->ADOQuery1.recordCount();

    Data1->ADOQuery1.setRecNo(7);
    const double modify = timed([&] { f->BitBtn5Click(); });
    const long peak = currentRssKb();

    std::printf("bare sqlite3_step, %d rows without zp  %7.3f s\n", kEmployees, bare);
    std::printf("open browse (%d rows + tree)         %7.3f s  (%.2fx bare)   limit 0.3 s, 2x\n", listed, open, open / bare);
    std::printf("tree click (%d rows)                    %7.3f s               limit 0.05 s\n", inDept, click);
    std::printf("prefix query mr012 (%d rows)            %7.3f s               limit 0.05 s\n", byPrefix, prefix);
    std::printf("修改 one employee (photo %s)      %7.3f s  (%s)   limit 0.1 s\n",
                op.decoded ? "decoded" : "NOT decoded", modify, op.last.toUtf8().constData());
    std::printf("memory above idle: after open %ld MB, after 修改 %ld MB   limit 150 MB\n",
                (opened - idle) / 1024, (peak - idle) / 1024);

    delete frm_ygxill;
    frm_ygxill = nullptr;
    delete Data1;
    Data1 = nullptr;
    ui::setModalHandler(nullptr);
    return 0;
}
