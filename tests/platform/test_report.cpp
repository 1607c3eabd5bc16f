#include "harness.h"
#include "data/U_data.h"
#include "platform/image/image.h"
#include "platform/report/preview.h"
#include "platform/report/report.h"
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {

using report::BandKind;
using report::Error;
using report::Layout;

// A4 portrait, 280 mm of content: 50 mm of bands leave 230 mm, 23 rows of 10 mm;
// with the 20 mm summary the last page takes at most 21.
const char* const kList = R"({
  "version": 1, "title": "测试", "params": ["单位名称", "月份"],
  "page": {"paper": "A4", "margins": {"left": 10, "top": 10, "right": 10, "bottom": 7}},
  "pageHeader": {"height": 20, "items": [{"text": "{单位名称} {月份} 名单"}]},
  "columnHeader": {"height": 10, "items": [{"w": 40, "text": "金额"}]},
  "detail": {"height": 10, "items": [{"w": 40, "field": "je", "format": "number", "decimals": 2}, {"w": 40, "field": "mc"}]},
  "pageTotal": {"height": 10, "items": [{"w": 40, "sum": "je", "format": "number", "decimals": 2}]},
  "summary": {"height": 20, "items": [{"w": 40, "sum": "je"}]},
  "pageFooter": {"height": 10, "items": [{"text": "第 {#page} 页 / 共 {#pages} 页"}]}
})";

Layout parse(const QString& json) { return report::parseLayout(json.toUtf8(), QStringLiteral("/x/t.rav")); }

report::Table amounts(const QList<db::Value>& values)
{
    report::Table t({QStringLiteral("je"), QStringLiteral("mc")});
    for (const db::Value& v : values) t.addRow({v, db::Value::text(QStringLiteral("甲"))});
    return t;
}

template <class F>
QString errorOf(F&& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.message();
    }
    return QStringLiteral("(accepted)");
}

// Each page as first row + rows, "S" where the summary goes.
std::string pages(const report::Plan& p)
{
    QStringList out;
    for (int i = 0; i < p.pageCount(); ++i)
        out << QStringLiteral("%1+%2%3").arg(p.page(i).first).arg(p.page(i).count).arg(p.page(i).summary ? "S" : "");
    return out.join(' ').toStdString();
}

// The bands of a page in order, one letter each.
std::string bands(const QVector<report::Placement>& placed)
{
    std::string out;
    for (const report::Placement& p : placed) out += "HCDTSFN"[int(p.band)];
    return out;
}

QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return QStringLiteral("(pdftotext failed)");
    return QString::fromUtf8(p.readAllStandardOutput());
}

QByteArray fileBytes(const QString& f)
{
    QFile file(f);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Answers the preview with `act` and its print dialog with printing to the file.
std::function<void(QDialog*)> printingTo(const QString& file, std::function<void(report::PreviewDialog*)> act)
{
    return [file, act](QDialog* d) {
        if (auto* print = qobject_cast<QPrintDialog*>(d)) {
            print->printer()->setOutputFormat(QPrinter::PdfFormat);
            print->printer()->setOutputFileName(file);
            print->setResult(QDialog::Accepted);
            print->hide();
            return;
        }
        act(qobject_cast<report::PreviewDialog*>(d));
    };
}

TEST(ReportLayout, RowsPagesAndTotals)
{
    const Layout l = parse(QString::fromUtf8(kList));
    // 44 rows: 23 + 21, the summary fits on the second page; with 46 the
    // second page is full, so two rows go on with the summary.
    EXPECT_EQ(pages(report::Plan(l, 44)), "0+23 23+21S");
    const report::Plan p46(l, 46);
    EXPECT_EQ(pages(p46), "0+23 23+21 44+2S");
    EXPECT_EQ(p46.rowsPerPage(), 23);
    EXPECT_EQ(pages(report::Plan(l, 0)), "0+0");

    // Every page repeats its headers; rows, page total and footer follow in place.
    const auto second = p46.place(1);
    ASSERT_EQ(bands(second), "HC" + std::string(21, 'D') + "TF");
    EXPECT_EQ(second[2].row, 23);
    EXPECT_DOUBLE_EQ(second[2].rect.top(), 40);
    EXPECT_DOUBLE_EQ(second[second.size() - 2].rect.top(), 40 + 21 * 10);
    EXPECT_DOUBLE_EQ(second.back().rect.bottom(), 290);

    // Totals: decimals add up exactly, whole numbers stay whole, texts that
    // are numbers count, anything else is left out.
    QList<db::Value> v(23, db::Value::real(0.1));
    v << db::Value::real(0.2) << db::Value::integer(3000000000LL) << db::Value::text(QStringLiteral("2.5"))
      << db::Value::text(QStringLiteral("abc")) << db::Value() << db::Value::real(-0.004);
    const report::Document doc(l, amounts(v), {{QStringLiteral("单位名称"), QStringLiteral("甲厂")}});
    ASSERT_EQ(doc.pageCount(), 2);
    const auto text = [&l](const report::Document& d, BandKind band, int page, int row = -1) {
        return d.itemText(l.band(band).items[0], band, page, row).toStdString();
    };
    // Amounts with their decimals, totals too; without decimals as stored.
    EXPECT_EQ(text(doc, BandKind::PageTotal, 0), "2.30");
    EXPECT_EQ(text(doc, BandKind::PageTotal, 1), "3000000002.70");
    EXPECT_EQ(text(doc, BandKind::Summary, 1), "3000000004.996");
    EXPECT_EQ(text(doc, BandKind::Detail, 1, 23), "0.20");
    EXPECT_EQ(text(doc, BandKind::Detail, 1, 28), "0.00");   // -0.004 to two places, no minus
    const report::Document cents(l, amounts(QList<db::Value>(10000, db::Value::real(0.01))), {});
    EXPECT_EQ(text(cents, BandKind::Summary, 0), "100");
    // Texts: an empty parameter takes its blank along; page numbers.
    EXPECT_EQ(text(doc, BandKind::PageHeader, 0), "甲厂 名单");
    EXPECT_EQ(text(doc, BandKind::PageFooter, 1), "第 2 页 / 共 2 页");
    EXPECT_EQ(bands(report::Plan(l, 0).place(0)), "HCNF");   // no rows: the line saying so
}

// A summary taller than the rows before it: the rows that move on with it
// must still leave it room above the footer, rows and cards alike.
TEST(ReportLayout, TallSummaryStaysOnItsPage)
{
    // 280 mm inside the margins, 30 mm of header and footer: 25 rows of 10 mm,
    // or 4 lines of 2 cards; the summary leaves room for 5 rows, or 1 line.
    for (const char* detail : {R"({"height": 10})", R"({"height": 50, "cards": {"across": 2, "down": 4, "width": 90, "gapY": 10}})"}) {
        const Layout l = parse(QStringLiteral(R"({"version": 1,
          "page": {"paper": "A4", "margins": {"left": 10, "top": 10, "right": 10, "bottom": 7}},
          "pageHeader": {"height": 20}, "detail": %1, "summary": {"height": 200}, "pageFooter": {"height": 10}})")
                                   .arg(QString::fromUtf8(detail)));
        const double footerTop = l.contentRect().bottom() - 10;
        for (int rows = 1; rows <= 60; ++rows) {
            const report::Plan plan(l, rows);
            int next = 0;
            for (int i = 0; i < plan.pageCount(); ++i) {
                const std::string at = std::to_string(rows) + " rows, page " + std::to_string(i + 1);
                EXPECT_EQ(plan.page(i).first, next) << at;
                EXPECT_GT(plan.page(i).count, 0) << at;
                next += plan.page(i).count;
                for (const report::Placement& pl : plan.place(i)) {
                    if (pl.band == BandKind::PageFooter) continue;
                    EXPECT_LE(pl.rect.bottom(), footerTop + 1e-6) << at;
                }
            }
            EXPECT_EQ(next, rows);
            EXPECT_TRUE(plan.page(plan.pageCount() - 1).summary) << rows;
        }
    }
}

TEST(ReportLayout, CardGridAndPhotos)
{
    const Layout l = parse(QStringLiteral(R"({"version": 1,
      "page": {"margins": {"left": 10, "top": 10, "right": 10, "bottom": 10}},
      "pageHeader": {"height": 17},
      "detail": {"height": 60, "cards": {"across": 2, "down": 4, "width": 90, "gapX": 4, "cutLines": true},
                 "items": [{"type": "image", "x": 5, "y": 5, "w": 20, "h": 30, "field": "zp", "border": "box"}]}})"));
    const report::Plan plan(l, 11);
    EXPECT_EQ(pages(plan), "0+8 8+3");
    const auto cards = plan.place(0);
    ASSERT_EQ(bands(cards), "H" + std::string(8, 'D'));
    // Centred across the 190 mm: (190 - 184) / 2 = 3 mm either side; rows below the header.
    EXPECT_EQ(cards[1].rect, QRectF(13, 27, 90, 60));
    EXPECT_EQ(cards[2].rect, QRectF(107, 27, 90, 60));
    EXPECT_EQ(cards[8].rect, QRectF(107, 207, 90, 60));

    // A readable photo fills its frame; unreadable bytes leave the frame empty.
    QImage red(40, 60, QImage::Format_RGB32);
    red.fill(Qt::red);
    report::Table t({QStringLiteral("zp")});
    t.addRow({db::Value::blob(img::encodeBmp(red))});
    t.addRow({db::Value::blob(QByteArray("BM not a bitmap"))});
    t.addRow({db::Value()});
    report::Document doc(l, std::move(t), {});
    QImage page(420, 594, QImage::Format_RGB32);   // 50 dpi
    page.setDotsPerMeterX(1969);
    page.setDotsPerMeterY(1969);
    page.fill(Qt::white);
    QPainter painter(&page);
    doc.paintPage(painter, 0);
    painter.end();
    const double k = 50 / 25.4;
    QList<QColor> centres;
    for (int card = 1; card <= 3; ++card)
        centres << page.pixelColor(int((cards[card].rect.x() + 15) * k), int((cards[card].rect.y() + 20) * k));
    EXPECT_EQ(centres, (QList<QColor>{Qt::red, Qt::white, Qt::white}));
}

TEST(ReportLayout, MistakesNameFileAndKey)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"({"version": 1, "detail": {"height": 5})", "第 1 行第 39 列"},
        {R"([1, 2])", "最外层应为对象"},
        {R"({"detail": {"height": 5}})", "“version”缺少"},
        {R"({"version": 1, "colour": 1, "detail": {"height": 5}})", "有未知的项“colour”"},
        {R"({"version": 1, "detail": {"height": 5, "items": [{}, {"colour": "#ff0000"}]}})", "“detail.items[1]”中有未知的项“colour”"},
        {R"({"version": 1})", "“detail”缺少"},
        {R"({"version": 1, "detail": {"height": "5"}})", "“detail.height”应为数字"},
        {R"({"version": 1, "page": {"paper": "A9"}, "detail": {"height": 5}})", "“page.paper”的值“A9”不可用"},
        {R"({"version": 1, "page": {"orientation": "sideways"}, "detail": {"height": 5}})", "“page.orientation”应为 portrait、landscape 之一"},
        {R"({"version": 1, "detail": {"height": 5, "items": [{"text": "{月份}"}]}})", "“detail.items[0].text”中的“{月份}”不是已声明的参数"},
        {R"({"version": 1, "detail": {"height": 5, "items": [{"text": "{#page"}]}})", "没有配对的“}”"},
        {R"({"version": 1, "pageHeader": {"height": 5, "items": [{"field": "xm"}]}, "detail": {"height": 5}})", "“pageHeader.items[0].field”只能用在 detail 区"},
        {R"({"version": 1, "detail": {"height": 5, "items": [{"sum": "je"}]}})", "“detail.items[0].sum”只能用在 pageTotal 或 summary 区"},
        {R"({"version": 1, "detail": {"height": 5, "items": [{"type": "image"}]}})", "需要 field"},
        {R"({"version": 1, "detail": {"height": 5, "items": [{"x": 150, "w": 50}]}})", "“detail.items[0]”超出了所在区的范围"},
        {R"({"version": 1, "detail": {"height": 5, "items": [{"fill": "red"}]}})", "“detail.items[0].fill”应为 #rrggbb"},
        {R"({"version": 1, "pageHeader": {"height": 200}, "detail": {"height": 100}})", "高度之和 300 毫米超出"},
        {R"({"version": 1, "detail": {"height": 50, "cards": {"across": 3, "down": 1, "width": 70}}})", "“detail.cards”的卡片横向排不下"},
    };
    for (const auto& [json, says] : cases) {
        const QString msg = errorOf([&] { parse(QString::fromUtf8(json)); });
        EXPECT_TRUE(msg.startsWith(QStringLiteral("报表文件 /x/t.rav 有误："))) << msg.toStdString();
        EXPECT_TRUE(msg.contains(QString::fromUtf8(says))) << json << "\n  -> " << msg.toStdString();
    }

    QTemporaryDir dir;
    const auto loadError = [](const QString& f) { return errorOf([&] { report::loadLayout(f); }); };
    EXPECT_EQ(loadError(dir.filePath(QStringLiteral("none.rav"))), QStringLiteral("找不到报表文件 %1").arg(dir.filePath(QStringLiteral("none.rav"))));
    EXPECT_TRUE(loadError(dir.path()).startsWith(QStringLiteral("找不到报表文件")));
    QFile big(dir.filePath(QStringLiteral("big.rav")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(report::kMaxLayoutBytes + 1, ' '));
    big.close();
    EXPECT_TRUE(loadError(big.fileName()).contains(QStringLiteral("过大"))) << loadError(big.fileName()).toStdString();
    const QString pipe = dir.filePath(QStringLiteral("pipe.rav"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(loadError(pipe), QStringLiteral("报表文件 %1 不是普通文件").arg(pipe));
}

// Zoomed far in, a large page makes an image past the preview's store of
// pages: it is drawn from a coarser one, in its place, never left blank.
TEST(ReportPreview, ALargePageZoomedFarInIsStillDrawn)
{
    hrtest::ScriptedModal modal;
    // A black square of 10 mm in the page's bottom right-hand corner.
    const Layout l = parse(QStringLiteral(R"({"version": 1,
      "page": {"paper": "A3", "margins": {"left": 0, "top": 0, "right": 0, "bottom": 0}},
      "detail": {"height": 10}, "pageFooter": {"height": 10, "items": [{"x": 287, "w": 10, "fill": "#000000"}]}})"));
    report::PreviewDialog preview(std::make_unique<report::Document>(l, report::Table(), QHash<QString, QString>{}), QString());
    preview.resize(800, 600);
    preview.show();
    report::PageView* view = preview.view();
    for (double zoom : {1.0, 5.0}) {
        view->setZoom(zoom);
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
        view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
        const QImage shot = view->viewport()->grab().toImage();
        int dark = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) dark += qGray(shot.pixel(x, y)) < 40;
        const double side = 10 / 25.4 * view->logicalDpiX() * zoom;
        EXPECT_NEAR(dark, side * side, side * 4) << "zoom " << zoom;
    }
}

TEST(ReportProject, RavAddedByTheFileNameOnly)
{
    for (const QString f : {"/opt/hr-1.2/gzz", "/opt/hr/gzt"}) EXPECT_EQ(report::resolveProjectFile(f), f + ".rav");
    for (const QString f : {"/opt/hr-1.2/gzz.rav", "/opt/hr/gzz.v2"}) EXPECT_EQ(report::resolveProjectFile(f), f);
    // The build puts the layouts beside the programs.
    for (const char* f : {"gzz.rav", "gzt.rav"}) EXPECT_TRUE(QFile::exists(report::programFolder() + f)) << f;

    hrtest::ScriptedModal modal;
    QTemporaryDir tmp;
    const QString folder = tmp.filePath(QStringLiteral("hr-1.2"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(report::programFolder() + QStringLiteral("gzz.rav"), folder + QStringLiteral("/gzz.rav")));
    report::RvProject p;
    p.ProjectFile = folder + QStringLiteral("/gzz");
    int pages = 0;
    modal.onDialog = [&](QDialog* d) {
        if (auto* preview = qobject_cast<report::PreviewDialog*>(d)) pages = preview->document().pageCount();
    };
    p.Execute();
    EXPECT_EQ(modal.dialogsShown, QList<QString>{QStringLiteral("report::PreviewDialog")});
    EXPECT_EQ(pages, 1);   // no dataset: the one page saying so
    EXPECT_TRUE(modal.messages.isEmpty());

    // A missing project: the message and nothing else.
    p.ProjectFile = folder + QStringLiteral("/gzt");
    p.Execute();
    ASSERT_EQ(modal.messages.size(), 1);
    EXPECT_EQ(modal.messages[0].caption, QStringLiteral("提示"));
    EXPECT_EQ(modal.messages[0].text, QStringLiteral("找不到报表文件 %1/gzt.rav").arg(folder));
    EXPECT_EQ(modal.dialogsShown.size(), 1);
}

class ReportPdf : public hrtest::HrTest {};

TEST_F(ReportPdf, SalaryMonthPreviewExportAndPrint)
{
    db->exec(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 30) "
                            "insert into 工资表 select '2024-03', printf('mr%03d', i), printf('员工%03d', i),"
                            " 2500 + i, 12.5, 200, 300, 0, 0, round((2500 + i) * 0.08, 2), 25, 50, 100, 0,"
                            " 3012 + i, 375, 2637 + i, '' from n"));
    const auto openMonth = [](const QString& m) {
        Data1->gzt.close();
        Data1->gzt.setSql(QStringLiteral("select * from 工资表 where gzyf=:a"));
        Data1->gzt.setParam(QStringLiteral("a"), db::Value::text(m));
        Data1->gzt.open();
    };
    openMonth(QStringLiteral("2024-03"));
    report::RvProject p;
    p.ProjectFile = report::programFolder() + QStringLiteral("gzt");
    p.setDataSet(&Data1->gzt);
    p.setParam(QStringLiteral("单位名称"), QStringLiteral("测试机械厂"));
    p.setParam(QStringLiteral("月份"), QStringLiteral("2024-03"));
    const QString pdf = QDir(db->dir()).filePath(QStringLiteral("out.pdf"));
    modal->files << pdf;
    int pages = 0, rendered = 0, shownLast = -1;
    QStringList inner;
    modal->onDialog = [&](QDialog* d) {
        if (qobject_cast<QPrintDialog*>(d)) {
            inner << QStringLiteral("print");
            return;   // closed without printing
        }
        auto* preview = qobject_cast<report::PreviewDialog*>(d);
        ASSERT_TRUE(preview);
        pages = preview->document().pageCount();
        rendered = preview->view()->pagesRendered();
        // Paging: nowhere to go before the first page or past the last.
        QHash<QString, QAction*> act;
        for (QAction* a : preview->findChildren<QAction*>()) act.insert(a->text(), a);
        const auto enabled = [&] {
            QString s;
            for (const char* t : {"首页", "上一页", "下一页", "末页"}) s += act.value(QString::fromUtf8(t))->isEnabled() ? '1' : '0';
            return s.toStdString();
        };
        EXPECT_EQ(enabled(), "0011");
        EXPECT_FALSE(act.value(QStringLiteral("打印"))->icon().isNull());
        act.value(QStringLiteral("下一页"))->trigger();
        shownLast = preview->view()->currentPage();
        EXPECT_EQ(enabled(), "1100");
        act.value(QStringLiteral("首页"))->trigger();
        EXPECT_EQ(enabled(), "0011");
        preview->view()->showPage(pages - 1);
        preview->exportPdf();
        preview->printDocument();
    };
    p.Execute();
    EXPECT_EQ(pages, 2);
    EXPECT_GE(rendered, 1);
    EXPECT_EQ(shownLast, 1);
    EXPECT_EQ(inner, QStringList{QStringLiteral("print")});
    ASSERT_EQ(modal->fileRequests.size(), 1);
    EXPECT_TRUE(modal->fileRequests[0].save);
    // A readable name for the month shown.
    EXPECT_TRUE(modal->fileRequests[0].fileName.endsWith(QStringLiteral("/工资表_2024-03.pdf")))
        << modal->fileRequests[0].fileName.toStdString();
    EXPECT_TRUE(modal->messages.isEmpty()) << modal->lastText().toStdString();

    const QString text = pdfText(pdf);
    EXPECT_EQ(text.count(QLatin1Char('\f')), 2) << text.toStdString();
    for (const QString& s : {QStringLiteral("测试机械厂 2024-03 工资表"), QStringLiteral("实发工资"), QStringLiteral("mr030"),
                             QStringLiteral("员工025"), QStringLiteral("第 1 页，共 2 页"), QStringLiteral("第 2 页，共 2 页"),
                             QStringLiteral("本页合计"), QStringLiteral("200.08"),
                             // 基本工资 2501..2525 on the first page, 2501..2530 in all
                             QStringLiteral("62825"), QStringLiteral("75465"),
                             // 实发工资 of the whole month; 加班费 30 x 12.5
                             QStringLiteral("79575"), QStringLiteral("375")})
        EXPECT_TRUE(text.contains(s)) << s.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral(".0 "))) << text.toStdString();

    // No month: the title leaves it out; an empty dataset says so on its one page.
    openMonth(QStringLiteral("2099-01"));
    report::RvProject empty;
    empty.ProjectFile = p.ProjectFile;
    empty.setDataSet(&Data1->gzt);
    empty.setParam(QStringLiteral("单位名称"), QStringLiteral("测试机械厂"));
    QString err;
    ASSERT_TRUE(report::writePdf(*empty.prepare(), pdf, &err)) << err.toStdString();
    const QString none = pdfText(pdf);
    EXPECT_EQ(none.count(QLatin1Char('\f')), 1);
    for (const QString& s : {QStringLiteral("测试机械厂 工资表"), QStringLiteral("无数据"), QStringLiteral("员工姓名")})
        EXPECT_TRUE(none.contains(s)) << s.toStdString();

    // The salary layout on employee rows: the column it misses is named.
    Data1->ADOQuery1.setSql(QStringLiteral("select * from 人事表"));
    Data1->ADOQuery1.open();
    empty.setDataSet(&Data1->ADOQuery1);
    empty.Execute();
    EXPECT_EQ(modal->lastText(),
              QStringLiteral("报表文件 %1gzt.rav 有误：“detail.items[0].field”所指的字段“gzyf”不在数据中").arg(report::programFolder()));
    EXPECT_EQ(modal->dialogsShown.size(), 2);   // the first preview and its print dialog only

    // A folder that cannot be written: a message, no file.
    modal->files << QStringLiteral("/nonexistent-folder/x.pdf");
    modal->onDialog = [](QDialog* d) { qobject_cast<report::PreviewDialog*>(d)->exportPdf(); };
    p.Execute();
    EXPECT_EQ(modal->lastText(), QStringLiteral("导出失败：无法写入 /nonexistent-folder/x.pdf：文件夹不存在"));   // the reason in Chinese
    // Proposed in the folder of the last PDF written.
    ASSERT_EQ(modal->fileRequests.size(), 2);
    EXPECT_EQ(modal->fileRequests[1].fileName, QDir(db->dir()).filePath(QStringLiteral("工资表_2024-03.pdf")));

    // The work card, dated: its own name and the day.
    report::RvProject card;
    card.ProjectFile = report::programFolder() + QStringLiteral("gzz");
    EXPECT_EQ(card.defaultPdfName(report::loadLayout(report::resolveProjectFile(card.ProjectFile)), QDate(2026, 12, 7)), QStringLiteral("工作证_2026-12-07.pdf"));
}

}

namespace {

// The export overwrites without asking, as the system's save dialogs do: a
// slip of the name must not turn the database, a backup or any other file
// into a report.
TEST_F(ReportPdf, ExportAndPrintToFileReplaceOnlyAPdfFile)
{
    report::RvProject p;
    p.ProjectFile = report::programFolder() + QStringLiteral("gzt");
    const std::unique_ptr<report::Document> doc = p.prepare();
    const QString notes = QDir(db->dir()).filePath(QStringLiteral("notes.pdf"));
    QFile n(notes);
    ASSERT_TRUE(n.open(QIODevice::WriteOnly) && n.write("payroll notes") > 0);
    n.close();
    db->exec(QStringLiteral("insert into 操作员信息表 values ('x', 'y')"));   // the live database, in use
    for (const QString& target : {db->path(), notes}) {
        const QByteArray before = fileBytes(target);
        QString err;
        EXPECT_FALSE(report::writePdf(*doc, target, &err)) << target.toStdString();
        EXPECT_EQ(err, QStringLiteral("%1 不是PDF文件，没有覆盖它").arg(target));
        EXPECT_EQ(fileBytes(target), before) << target.toStdString();
    }
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from 操作员信息表")), QStringLiteral("1"));

    // Printing to one of them through the print dialog is refused the same way.
    modal->onDialog = printingTo(db->path(), [](report::PreviewDialog* d) { d->printDocument(); });
    const QByteArray database = fileBytes(db->path());
    p.Execute();
    EXPECT_EQ(modal->lastText(), QStringLiteral("打印失败：%1 不是PDF文件，没有覆盖它").arg(db->path()));
    EXPECT_EQ(fileBytes(db->path()), database);

    // An empty file or an earlier PDF is replaced.
    ASSERT_TRUE(n.open(QIODevice::WriteOnly | QIODevice::Truncate));
    n.close();
    for (int i = 0; i < 2; ++i) {
        QString err;
        EXPECT_TRUE(report::writePdf(*doc, notes, &err)) << err.toStdString();
        EXPECT_TRUE(fileBytes(notes).startsWith("%PDF-"));
    }
}

// Root may write anything; a thread that gives the override up for good (it
// ends with the check) meets the files' modes as an operator does.
void asOperator(const std::function<void()>& check)
{
    std::thread t([&] {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct caps[2]{};
        if (syscall(SYS_capget, &header, caps) == 0) {
            caps[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
            caps[0].permitted &= ~(1u << CAP_DAC_OVERRIDE);
            syscall(SYS_capset, &header, caps);
        }
        check();
    });
    t.join();
}

// The process may write no more than a few kilobytes to a file while this runs.
void underFullDisk(const std::function<void()>& run)
{
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 2048;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    run();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
}

long peakMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

// A write that fails says why, and the PDF written before stays whole under
// its name, with nothing left beside it: by the export and by printing to a file.
TEST_F(ReportPdf, AFailedWriteSaysWhyAndLeavesTheEarlierPdf)
{
    report::RvProject p;
    p.ProjectFile = report::programFolder() + QStringLiteral("gzz");
    const std::unique_ptr<report::Document> doc = p.prepare();
    const QString pdf = QDir(db->dir()).filePath(QStringLiteral("工作证.pdf"));
    QString err;
    ASSERT_TRUE(report::writePdf(*doc, pdf, &err)) << err.toStdString();
    const QByteArray before = fileBytes(pdf);
    ASSERT_GT(before.size(), 4096);
    const QStringList files = QDir(db->dir()).entryList(QDir::Files | QDir::Hidden);

    underFullDisk([&] { EXPECT_FALSE(report::writePdf(*doc, pdf, &err)); });
    EXPECT_EQ(err, QStringLiteral("无法写入 %1：写入出错，磁盘可能已满").arg(pdf));
    modal->onDialog = printingTo(pdf, [](report::PreviewDialog* d) { underFullDisk([d] { d->printDocument(); }); });
    p.Execute();
    EXPECT_EQ(modal->lastText(), QStringLiteral("打印失败：无法写入 %1：写入出错，磁盘可能已满").arg(pdf));
    EXPECT_TRUE(fileBytes(pdf) == before);
    EXPECT_EQ(QDir(db->dir()).entryList(QDir::Files | QDir::Hidden), files);

    // A read-only PDF, a folder that may not be written.
    QFile(pdf).setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    const QString shut = QDir(db->dir()).filePath(QStringLiteral("shut"));
    ASSERT_TRUE(QDir().mkpath(shut));
    QFile(shut).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    asOperator([&] {
        EXPECT_FALSE(report::writePdf(*doc, pdf, &err));
        EXPECT_EQ(err, QStringLiteral("无法写入 %1：文件是只读的").arg(pdf));
        EXPECT_FALSE(report::writePdf(*doc, shut + QStringLiteral("/x.pdf"), &err));
        EXPECT_EQ(err, QStringLiteral("无法写入 %1/x.pdf：无法打开，可能没有权限").arg(shut));
    });
    QFile(shut).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // With room again, printing to the file writes it.
    QFile(pdf).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    modal->onDialog = printingTo(pdf, [](report::PreviewDialog* d) { d->printDocument(); });
    const qsizetype shown = modal->messages.size();
    p.Execute();
    EXPECT_EQ(modal->messages.size(), shown) << modal->lastText().toStdString();
    EXPECT_TRUE(pdfText(pdf).contains(QStringLiteral("无数据")));
}

// A remark pasted a hundred times over: a cell shows its beginning cut short,
// and a month of such rows neither takes a gigabyte nor many seconds to write.
TEST_F(ReportPdf, VeryLongTextsInCellsAreCutShortCheaply)
{
    const Layout l = report::loadLayout(report::programFolder() + QStringLiteral("gzt.rav"));
    QStringList columns;
    for (const auto& c : l.columns()) columns << c.first;
    report::Table t(columns);
    for (int r = 0; r < 1000; ++r) {
        QVector<db::Value> row;
        for (const QString& c : columns)
            row << (c == QLatin1String("bz") ? db::Value::text(QStringLiteral("备注%1号").arg(r) + QString(20000, QChar(0x5907)))
                                             : db::Value::integer(r));
        t.addRow(row);
    }
    const report::Document doc(l, std::move(t), {});
    const long before = peakMb();
    const QString pdf = QDir(db->dir()).filePath(QStringLiteral("long.pdf"));
    QString err;
    ASSERT_TRUE(report::writePdf(doc, pdf, &err)) << err.toStdString();
    EXPECT_LT(peakMb() - before, 300);
    const QString text = pdfText(pdf);
    for (const QString& s : {QStringLiteral("备注0号备备"), QStringLiteral("备注999号备备"), QStringLiteral("备…")})
        EXPECT_TRUE(text.contains(s)) << s.toStdString();
}

// A name or department too long for its narrow cell stays whole and readable:
// on two lines where the row is tall enough, never shrunk to a few points and cut.
// Amounts stay on one line.
TEST_F(ReportPdf, LongNamesInNarrowCellsStayWholeAndReadable)
{
    const Layout l = parse(QStringLiteral(R"({"version": 1, "font": {"size": 8},
      "page": {"margins": {"left": 10, "top": 10, "right": 10, "bottom": 10}},
      "detail": {"height": 5.8, "items": [
        {"w": 16, "field": "mc", "align": "center", "shrink": true},
        {"w": 30, "field": "mc", "shrink": true},
        {"w": 14, "field": "je", "format": "number", "decimals": 2, "shrink": true}]}})"));
    report::Table t({QStringLiteral("je"), QStringLiteral("mc")});
    t.addRow({db::Value::real(12345678.5), db::Value::text(QStringLiteral("阿卜杜热合曼·买买提艾力"))});
    t.addRow({db::Value::real(1), db::Value::text(QStringLiteral("王五"))});
    const report::Document doc(l, std::move(t), {});
    const QString pdf = QDir(db->dir()).filePath(QStringLiteral("names.pdf"));
    QString err;
    ASSERT_TRUE(report::writePdf(doc, pdf, &err)) << err.toStdString();

    // Each word's box on the page, in points: its text and height.
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression word(QStringLiteral(R"re(yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">([^<]*)<)re"));
    QString all;
    double lowest = 1e9;
    int nameParts = 0;
    for (auto m = word.globalMatch(html); m.hasNext();) {
        const auto w = m.next();
        all += w.captured(3);
        if (w.captured(3).contains(QStringLiteral("买")) || w.captured(3).contains(QStringLiteral("阿"))) {
            ++nameParts;
            lowest = std::min(lowest, w.captured(2).toDouble() - w.captured(1).toDouble());
        }
    }
    EXPECT_EQ(all.count(QStringLiteral("阿卜杜热合曼")), 2) << all.toStdString();
    EXPECT_EQ(all.count(QStringLiteral("买买提艾力")), 2) << all.toStdString();
    EXPECT_FALSE(all.contains(QStringLiteral("…"))) << all.toStdString();
    EXPECT_GE(nameParts, 2);
    EXPECT_GE(lowest, 5.5) << "points high";
    EXPECT_TRUE(all.contains(QStringLiteral("12345678.50"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("王五")));
}

// Work cards for the whole staff, each with a photo of a few megabytes: every
// photo is printed, and none stays in memory once its card is drawn.
TEST_F(ReportPdf, AStaffsWorkCardsDoNotKeepTheirPhotosInMemory)
{
    QImage pic(1000, 1000, QImage::Format_RGB32);
    pic.fill(Qt::blue);
    db::Query& q = Data1->ADOpublic;
    q.setSql(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 60) "
                            "insert into 人事表 (bh, xm, zp) select printf('mr%03d', i), '张三', :b from n"));
    q.setParam(QStringLiteral("b"), db::Value::blob(img::encodeBmp(pic)));
    q.execSql();
    Data1->ADOQuery1.setSql(QStringLiteral("select * from 人事表"));
    Data1->ADOQuery1.open();
    report::RvProject p;
    p.ProjectFile = report::programFolder() + QStringLiteral("gzz");
    p.setDataSet(&Data1->ADOQuery1);
    const long before = peakMb();
    const QString pdf = QDir(db->dir()).filePath(QStringLiteral("cards.pdf"));
    QString err;
    ASSERT_TRUE(report::writePdf(*p.prepare(), pdf, &err)) << err.toStdString();
#ifndef __SANITIZE_ADDRESS__   // which keeps freed memory back on purpose
    EXPECT_LT(peakMb() - before, 100);   // 180 MB of photos
#endif
    QProcess images;
    images.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    ASSERT_TRUE(images.waitForFinished(30000));
    // A heading of two lines, then one line per picture.
    EXPECT_EQ(QString::fromUtf8(images.readAllStandardOutput()).trimmed().split(QLatin1Char('\n')).size(), 2 + 60);
}

// A card is painted long after its rows were read (pages are drawn as they
// come into view): a photo changed or gone meanwhile is no failure of the painting.
TEST_F(ReportPdf, APhotoChangedSinceTheRowsWereReadLeavesItsFrameEmpty)
{
    QImage red(40, 60, QImage::Format_RGB32);
    red.fill(Qt::red);
    db::Query& q = Data1->ADOpublic;
    q.setSql(QStringLiteral("insert into 人事表 (bh, zp) values (:a, :b)"));
    for (const char* bh : {"mr001", "mr002", "mr003"}) {
        q.setParam(QStringLiteral("a"), db::Value::text(QString::fromLatin1(bh)));
        q.setParam(QStringLiteral("b"), db::Value::blob(img::encodeBmp(red)));
        q.execSql();
    }
    q.setSql(QStringLiteral("select * from 人事表 order by bh"));
    q.open();
    const Layout l = parse(QStringLiteral(R"({"version": 1,
      "page": {"margins": {"left": 10, "top": 10, "right": 10, "bottom": 10}},
      "detail": {"height": 60, "cards": {"across": 1, "down": 4, "width": 90},
                 "items": [{"type": "image", "x": 5, "y": 5, "w": 20, "h": 30, "field": "zp"}]}})"));
    report::Document doc(l, report::Table::fromQuery(q, l), {});
    db->exec(QStringLiteral("update 人事表 set zp = x'424d00' where bh = 'mr002'"));
    db->exec(QStringLiteral("delete from 人事表 where bh = 'mr003'"));

    QImage page(420, 594, QImage::Format_RGB32);   // 50 dpi
    page.setDotsPerMeterX(1969);
    page.setDotsPerMeterY(1969);
    page.fill(Qt::white);
    QPainter painter(&page);
    EXPECT_NO_THROW(doc.paintPage(painter, 0));
    painter.end();
    const auto cards = report::Plan(l, 3).place(0);
    ASSERT_EQ(cards.size(), 3);
    const double k = 50 / 25.4;
    QList<QColor> centres;
    for (const auto& card : cards) centres << page.pixelColor(int((card.rect.x() + 15) * k), int((card.rect.y() + 20) * k));
    EXPECT_EQ(centres, (QList<QColor>{Qt::red, Qt::white, Qt::white}));
}

}
