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

void RvProject::Execute(QWidget* owner)
{
    ui::info(QStringLiteral("报表文件 %1 无法使用").arg(resolveProjectFile(ProjectFile)), owner);
}

}
