#include "platform/report/report.h"
#include "platform/db/error.h"
#include "platform/report/preview.h"
#include "platform/ui/modal.h"
#include <QCoreApplication>
#include <QFileInfo>

namespace report {

QString programFolder()
{
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    return dir;
}

// Only the name counts: a folder such as "/opt/hr-1.2/" must not hide the missing extension.
QString resolveProjectFile(const QString& f)
{
    const qsizetype slash = f.lastIndexOf(QLatin1Char('/'));
    return f.mid(slash + 1).contains(QLatin1Char('.')) ? f : f + QStringLiteral(".rav");
}

void RvProject::setDataSet(db::Query* q) { data_ = q; }

void RvProject::setParam(const QString& name, const QString& value) { params_.insert(name, value); }

std::unique_ptr<Document> RvProject::prepare(QDate printDate) const
{
    Layout layout = loadLayout(resolveProjectFile(ProjectFile));
    Table rows = data_ ? Table::fromQuery(*data_, layout) : Table();
    return std::make_unique<Document>(std::move(layout), std::move(rows), params_, printDate);
}

QString RvProject::defaultPdfName(const Layout& layout, QDate date) const
{
    QString base = layout.fileName.trimmed();
    if (base.isEmpty()) base = layout.title.trimmed();
    if (base.isEmpty()) base = QFileInfo(resolveProjectFile(ProjectFile)).completeBaseName();
    const QString month = params_.value(QStringLiteral("月份")).trimmed();
    QString name = base + QLatin1Char('_') + (month.isEmpty() ? date.toString(QStringLiteral("yyyy-MM-dd")) : month);
    // A month is free text: nothing in it may leave the folder or upset the file system.
    for (QChar& c : name)
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c)) c = QLatin1Char('-');
    return name + QStringLiteral(".pdf");
}

std::function<void(const RvProject&)> RvProject::executeHook;

void RvProject::Execute(QWidget* owner)
{
    if (executeHook) return executeHook(*this);
    std::unique_ptr<Document> doc;
    try {
        doc = prepare();
    } catch (const diag::MessageError& e) {
        // A layout or data the report cannot use.
        ui::info(e.message(), owner);
        return;
    }
    const QString pdfName = defaultPdfName(doc->layout());
    PreviewDialog dlg(std::move(doc), pdfName, owner);
    ui::execDialog(&dlg);
}

}
