#include "platform/shell/shell.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace shell {

namespace {

// In order of preference: the desktop environments' own editors come first,
// then the lightweight ones.
QStringList candidatesFor(const QString& program)
{
    const QString p = program.toLower();
    if (p == QLatin1String("notepad.exe"))
        return {QStringLiteral("gnome-text-editor"), QStringLiteral("gedit"), QStringLiteral("mousepad"), QStringLiteral("kate"),
                QStringLiteral("kwrite"), QStringLiteral("xed"), QStringLiteral("pluma"), QStringLiteral("leafpad"),
                QStringLiteral("featherpad")};
    if (p == QLatin1String("calc.exe"))
        return {QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"), QStringLiteral("galculator"), QStringLiteral("mate-calc"),
                QStringLiteral("qalculate-gtk"), QStringLiteral("xcalc")};
    return {};
}

}   // namespace

bool open(const QString& program)
{
    for (const QString& name : candidatesFor(program)) {
        const QString path = QStandardPaths::findExecutable(name);
        if (path.isEmpty()) continue;
        if (QProcess::startDetached(path, {})) return true;
    }
    return false;
}

}
