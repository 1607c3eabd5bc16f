// The report engine on a large salary month, beside a plain QTextDocument table.
//
//   bench_report [rows] [--no-reference] (default 10,000 rows) figures
//   bench_report --show gzz|gzt         the preview with sample data, real windows
//   bench_report --pdf gzz|gzt FILE     the sample report exported as PDF
//   bench_report --print gzz|gzt FILE   the same, through the print dialog to the PDF printer
//
// Figures: laying out and writing the whole salary report to PDF, the time
// until the preview has painted its first page, and peak memory; then the
// same rows written as one QTextDocument table, for comparison.
#include "bench_util.h"
#include "data/schema.h"
#include "platform/db/connection.h"
#include "platform/db/error.h"
#include "platform/db/query.h"
#include "platform/image/image.h"
#include "platform/report/preview.h"
#include "platform/report/report.h"
#include "platform/ui/locale.h"
#include "platform/ui/modal.h"
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <sqlite3.h>
#include <sys/resource.h>
#include <ctime>

namespace {

using namespace bench;

long peakRssMb()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss / 1024;
}

const char* const kMonth = "2024年3月";
const char* const kCompany = "澄岚精密机械有限公司";

// A passport-style photo drawn on the spot, stored as the program stores photos: BMP bytes.
QByteArray samplePhoto(int seed)
{
    QImage img(240, 320, QImage::Format_RGB32);
    img.fill(QColor::fromHsv((seed * 47) % 360, 40, 235));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 70));
    p.drawEllipse(QPointF(120, 300), 110, 90);
    p.setBrush(QColor(236, 200, 170));
    p.drawEllipse(QPointF(120, 140), 55, 70);
    p.setBrush(QColor(40, 30, 30));
    p.drawChord(QRectF(62, 62, 116, 100), 0, 180 * 16);
    p.end();
    return img::encodeBmp(img);
}

std::string fill(const QString& dir, int rows)
{
    const std::string path = (dir + QStringLiteral("/bench.mdb")).toStdString();
    sqlite3* h = nullptr;
    check(sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), h, "create");
    check(sqlite3_exec(h, data::schemaSql(), nullptr, nullptr, nullptr), h, "schema");
    check(sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr), h, "begin");
    static const char* surnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙", "马", "朱", "胡", "郭"};
    static const char* given[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "涛", "明", "超"};
    static const char* depts[] = {"行政部", "财务部", "技术研发部", "生产一车间", "市场销售部"};
    static const char* posts[] = {"经理", "主管", "职员", "工程师", "会计", "技术员"};
    std::mt19937 gen(11);
    auto name = [&] {
        std::string n = std::string(surnames[gen() % 16]) + given[gen() % 16];
        if (gen() % 2) n += given[gen() % 16];
        return n;
    };

    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(h, "insert into 人事表 (bh, xm, xb, ssbm, zw, zp) values (?,?,?,?,?,?)", -1, &st, nullptr), h, "prep");
    for (int e = 0; e < 11; ++e) {
        char code[16];
        std::snprintf(code, sizeof code, "mr%03d", e + 1);
        const std::string n = name();
        sqlite3_bind_text(st, 1, code, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, n.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, gen() % 2 ? "男" : "女", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 4, depts[gen() % 5], -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 5, posts[gen() % 6], -1, SQLITE_STATIC);
        const QByteArray photo = e % 4 == 2 ? QByteArray() : samplePhoto(e);   // some have none
        sqlite3_bind_blob(st, 6, photo.constData(), int(photo.size()), SQLITE_TRANSIENT);
        check(sqlite3_step(st), h, "insert");
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);

    check(sqlite3_prepare_v2(h, "insert into 工资表 values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &st, nullptr), h, "prep");
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(gen); };
    for (int e = 0; e < rows; ++e) {
        char code[16];
        std::snprintf(code, sizeof code, "mr%05d", e + 1);
        const std::string n = name();
        const double base = std::round(uniform(2000, 9000) / 10) * 10;
        const double hours = gen() % 3 ? 0 : double(gen() % 20);
        const double overtime = base / 21.75 / 8 * 2 * hours;            // unrounded, as generated
        const double bonus = gen() % 4 ? 200 : 0;
        const double allowance = std::round(uniform(0, 1500) / 50) * 50;
        const double other = gen() % 10 ? 0 : std::round(uniform(0, 500));
        const double absence = gen() % 8 ? 0 : base / 21.75 * 2 * double(1 + gen() % 2);
        const double pension = base * 0.08, unemployment = base * 0.01, medical = base * 0.02;
        const double tax = base * (base > 5000 ? 0.1 : 0.05);
        const double otherDeduction = gen() % 20 ? 0 : std::round(uniform(0, 200));
        const double gross = base + overtime + bonus + allowance + other;
        const double deductions = absence + pension + medical + unemployment + otherDeduction + tax;
        int i = 1;
        sqlite3_bind_text(st, i++, kMonth, -1, SQLITE_STATIC);
        sqlite3_bind_text(st, i++, code, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, i++, n.c_str(), -1, SQLITE_TRANSIENT);
        for (double v : {base, overtime, bonus, allowance, other, absence, pension, unemployment, medical, tax, otherDeduction})
            sqlite3_bind_double(st, i++, v);
        const long long g = std::llrint(gross), d = std::llrint(deductions);
        sqlite3_bind_int64(st, i++, g);
        sqlite3_bind_int64(st, i++, d);
        sqlite3_bind_int64(st, i++, g - d);
        sqlite3_bind_text(st, i++, other > 0 ? "补发上月加班费" : "", -1, SQLITE_STATIC);
        check(sqlite3_step(st), h, "insert");
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    check(sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr), h, "commit");
    sqlite3_close(h);
    return path;
}

void openRows(db::Query& q, const QString& project)
{
    q.setSql(project == QLatin1String("gzz") ? QStringLiteral("select * from 人事表")
                                             : QStringLiteral("select * from 工资表 where gzyf=:a"));
    if (project != QLatin1String("gzz")) q.setParam(QStringLiteral("a"), db::Value::text(QString::fromUtf8(kMonth)));
    q.open();
}

void setUp(report::RvProject& p, db::Query& q, const QString& project)
{
    p.ProjectFile = report::programFolder() + project;
    p.setDataSet(&q);
    p.setParam(QStringLiteral("单位名称"), QString::fromUtf8(kCompany));
    if (project == QLatin1String("gzt")) p.setParam(QStringLiteral("月份"), QString::fromUtf8(kMonth));
}

// Answers the print dialog as an operator choosing the PDF printer would.
class PrintToFile : public ui::ModalHandler {
public:
    explicit PrintToFile(QString file) : file_(std::move(file)) { prev_ = ui::setModalHandler(this); }
    ~PrintToFile() override { ui::setModalHandler(prev_); }
    ui::Answer message(const ui::MessageRequest& r) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(r.text));
        return ui::Answer::Ok;
    }
    QString file(const ui::FileRequest&) override { return {}; }
    int execDialog(QDialog* dlg) override
    {
        if (auto* preview = qobject_cast<report::PreviewDialog*>(dlg)) {
            preview->show();
            preview->printDocument();
            return QDialog::Rejected;
        }
        auto* pd = qobject_cast<QPrintDialog*>(dlg);
        if (!pd) return QDialog::Rejected;
        pd->show();
        QApplication::processEvents();
        auto* printers = pd->findChild<QComboBox*>(QStringLiteral("printers"));
        auto* name = pd->findChild<QLineEdit*>(QStringLiteral("filename"));
        if (!printers || !name) {
            std::fprintf(stderr, "print dialog without its printer list\n");
            return QDialog::Rejected;
        }
        printers->setCurrentIndex(printers->count() - 1);   // "Print to File (PDF)"
        name->setText(file_);
        pd->accept();
        return pd->result();
    }
    void quit() override {}

private:
    QString file_;
    ui::ModalHandler* prev_ = nullptr;
};

int figures(int rows, bool reference)
{
    QTemporaryDir dir;
    const auto f0 = Clock::now();
    const std::string path = fill(dir.path(), rows);
    std::printf("filled 工资表 with %d rows of one month in %.2f s\n", rows, seconds(f0, Clock::now()));
    db::Connection conn(QString::fromStdString(path));
    db::Query q(conn, QStringLiteral("gzt"));
    openRows(q, QStringLiteral("gzt"));
    report::RvProject project;
    setUp(project, q, QStringLiteral("gzt"));
    const QString pdf = dir.filePath(QStringLiteral("gzt.pdf"));

    // Whole report: layout file, rows taken from the query, pages laid out and written.
    auto t0 = Clock::now();
    double c0 = cpuSeconds();
    auto doc = project.prepare();
    QString err;
    if (!report::writePdf(*doc, pdf, &err)) {
        std::fprintf(stderr, "%s\n", qPrintable(err));
        return 1;
    }
    const double whole = seconds(t0, Clock::now());
    std::printf("report to PDF: %d rows, %d pages, %.2f s (processor %.2f s), %lld KB\n", doc->table().rowCount(),
                doc->pageCount(), whole, cpuSeconds() - c0, QFileInfo(pdf).size() / 1024);

    // Preview: from the call until the first page has been painted on screen.
    t0 = Clock::now();
    c0 = cpuSeconds();
    auto prepared = project.prepare();
    const QString pdfName = project.defaultPdfName(prepared->layout());
    report::PreviewDialog preview(std::move(prepared), pdfName);
    QEventLoop loop;
    QObject::connect(preview.view(), &report::PageView::pageRendered, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    preview.show();
    if (preview.view()->pagesRendered() == 0) loop.exec();
    const double first = seconds(t0, Clock::now());
    std::printf("preview: first page shown after %.3f s (processor %.3f s; %d of %d pages painted)\n", first,
                cpuSeconds() - c0, preview.view()->pagesRendered(), preview.document().pageCount());
    preview.hide();
    std::printf("peak memory so far: %ld MB\n", peakRssMb());

    if (!reference) return 0;
    // Reference: the same rows as a plain QTextDocument table.
    t0 = Clock::now();
    c0 = cpuSeconds();
    QString html;
    html.reserve(rows * 400);
    html += QStringLiteral("<h2 align=center>%1 %2 工资表</h2><table border=1 cellspacing=0 cellpadding=2 width=100%><tr>")
                .arg(QString::fromUtf8(kCompany), QString::fromUtf8(kMonth));
    for (const char* t : {"工资月份", "员工编号", "员工姓名", "基本工资", "加班费", "全勤奖", "职务津贴", "其它金额", "旷工费",
                             "养老保险", "失业保险", "医疗保险", "扣税", "其它扣额", "应发工资", "应扣工资", "实发工资", "备注"})
        html += QStringLiteral("<th>") + QString::fromUtf8(t) + QStringLiteral("</th>");
    html += QStringLiteral("</tr>");
    for (int r = 0; r < q.recordCount(); ++r) {
        html += QStringLiteral("<tr>");
        for (int c = 0; c < q.fieldCount(); ++c) {
            const db::Value v = q.value(r, c);
            const bool num = v.kind() == db::Value::Kind::Real || v.kind() == db::Value::Kind::Integer;
            html += num ? QStringLiteral("<td align=right>") : QStringLiteral("<td>");
            html += num ? QString::number(v.kind() == db::Value::Kind::Real ? v.asReal() : double(v.asInteger()), 'f', 2)
                        : v.toText().toHtmlEscaped();
            html += QStringLiteral("</td>");
        }
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table>");
    {
        QTextDocument td;
        QFont f(QStringLiteral("WenQuanYi Micro Hei"));
        f.setPointSizeF(7);
        td.setDefaultFont(f);
        td.setHtml(html);
        QPdfWriter w(dir.filePath(QStringLiteral("reference.pdf")));
        w.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10)));
        td.print(&w);
    }
    const double ref = seconds(t0, Clock::now());
    std::printf("reference QTextDocument table to PDF: %.2f s (processor %.2f s), %lld KB\n", ref, cpuSeconds() - c0,
                QFileInfo(dir.filePath(QStringLiteral("reference.pdf"))).size() / 1024);
    std::printf("report / reference time: %.2f\n", whole / ref);
    std::printf("peak memory: %ld MB\n", peakRssMb());
    return 0;
}

int sample(const QString& mode, const QString& project, const QString& out)
{
    QTemporaryDir dir;
    const std::string path = fill(dir.path(), 60);
    db::Connection conn(QString::fromStdString(path));
    db::Query q(conn, project);
    openRows(q, project);
    report::RvProject p;
    setUp(p, q, project);
    if (mode == QLatin1String("--show")) {
        p.Execute();
        return 0;
    }
    if (mode == QLatin1String("--print")) {
        PrintToFile answer(out);
        p.Execute();
        return QFileInfo::exists(out) ? 0 : 1;
    }
    QString err;
    if (!report::writePdf(*p.prepare(), out, &err)) {
        std::fprintf(stderr, "%s\n", qPrintable(err));
        return 1;
    }
    return 0;
}

}

int main(int argc, char** argv)
{
    const bool windows = argc > 1 && qstrcmp(argv[1], "--show") == 0;
    if (!windows && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::installChineseTranslations();   // as the program does: the print and file dialogs in Chinese
    try {
        if (argc > 2 && argv[1][0] == '-') {
            const QString mode = QString::fromLocal8Bit(argv[1]);
            const QString project = QString::fromLocal8Bit(argv[2]);
            const QString out = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
            if (mode != QLatin1String("--show") && out.isEmpty()) {
                std::fprintf(stderr, "usage: bench_report %s gzz|gzt FILE\n", argv[1]);
                return 2;
            }
            return sample(mode, project, out);
        }
        // The row count and --no-reference in either order: "--no-reference" alone is no count of 0.
        int rows = 10000;
        bool reference = true;
        for (int i = 1; i < argc; ++i) {
            if (qstrcmp(argv[i], "--no-reference") == 0) reference = false;
            else rows = std::atoi(argv[i]);
        }
        return figures(rows, reference);
    } catch (const db::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
    } catch (const report::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
    }
    return 1;
}
