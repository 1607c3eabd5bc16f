#pragma once
#include "platform/report/document.h"
#include <QHash>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace db { class Query; }

// The report engine: a project file (a layout, docs/report-layout.md) run on
// one dataset, shown in the engine's own preview with printing and PDF export.
namespace report {

QString programFolder();                        // the executable's folder with a trailing '/'
QString resolveProjectFile(const QString& f);   // adds ".rav" when the file NAME (not the path) has no '.'

class RvProject {
public:
    QString ProjectFile;                        // e.g. programFolder() + "gzz"
    void setDataSet(db::Query* q);              // the rows q holds when Execute runs, in order
    void setParam(const QString& name, const QString& value);   // 单位名称, 月份
    void Execute(QWidget* owner = nullptr);     // preview (modal seam); failures -> message box "提示"

    // What Execute previews: the layout read and the rows taken now. Error on failure.
    std::unique_ptr<Document> prepare(QDate printDate = QDate::currentDate()) const;
    // The PDF export's proposed file name: the layout's file name (its title,
    // else the project's name), then the month, or else the date.
    QString defaultPdfName(const Layout& layout, QDate date = QDate::currentDate()) const;

    db::Query* dataSet() const { return data_; }
    const QHash<QString, QString>& params() const { return params_; }
    // Tests: when set, Execute hands the project here instead of running it.
    static std::function<void(const RvProject&)> executeHook;

private:
    db::Query* data_ = nullptr;
    QHash<QString, QString> params_;
};

}
