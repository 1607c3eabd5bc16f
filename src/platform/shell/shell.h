#pragma once
#include <QString>

// The desktop's own programs in place of the Windows ones the menus name.
namespace shell {

// "notepad.exe" starts the desktop's text editor, "calc.exe" its calculator,
// whichever of the usual ones is found on PATH first. The program runs on its
// own; returns whether it started (callers need not look: a failure shows nothing).
bool open(const QString& program);

}
