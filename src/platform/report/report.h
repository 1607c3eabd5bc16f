#pragma once
#include <QHash>
#include <QString>
#include <functional>

class QWidget;
namespace db { class Query; }

namespace report {

// The folder of the program's executable file, with a trailing '/'.
QString programFolder();
// Adds ".rav" when the file name (not the folder) holds no '.'.
QString resolveProjectFile(const QString& projectFile);

// A report project: a layout file filled from one dataset, shown as a print
// preview from which the operator prints or saves a PDF.
class RvProject {
public:
    QString ProjectFile;                         // e.g. programFolder() + "gzz"
    void setDataSet(db::Query* q) { data_ = q; } // the rows q holds when Execute runs, in order
    void setParam(const QString& name, const QString& value) { params_.insert(name, value); }
    // Loads the layout and previews the report; a layout that cannot be used
    // is reported in a message box ("提示") and nothing else happens.
    void Execute(QWidget* owner = nullptr);

    db::Query* dataSet() const { return data_; }
    const QHash<QString, QString>& params() const { return params_; }
    // Tests: when set, Execute hands the project here instead of running it.
    static std::function<void(const RvProject&)> executeHook;

private:
    db::Query* data_ = nullptr;
    QHash<QString, QString> params_;
};

}
