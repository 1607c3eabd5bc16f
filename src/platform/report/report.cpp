#include "platform/report/report.h"
#include "platform/ui/modal.h"
#include <QCoreApplication>
#include <QFileInfo>

namespace report {

QString programFolder() { return QCoreApplication::applicationDirPath() + QLatin1Char('/'); }

QString resolveProjectFile(const QString& projectFile)
{
    if (QFileInfo(projectFile).fileName().contains(QLatin1Char('.'))) return projectFile;
    return projectFile + QStringLiteral(".rav");
}

std::function<void(const RvProject&)> RvProject::executeHook;

void RvProject::Execute(QWidget* owner)
{
    if (executeHook) return executeHook(*this);
    ui::info(QStringLiteral("报表文件 %1 无法使用").arg(resolveProjectFile(ProjectFile)), owner);
}

}
