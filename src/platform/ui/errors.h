#pragma once
#include <QString>
#include <exception>
#include <functional>

class QWidget;
class QObject;

namespace ui {

// The application's default error handler: shows the exception's message in a
// message box captioned with the application title, error icon. The dialog stays open.
void showException(const std::exception& e, QWidget* owner = nullptr);
void showError(const QString& message, QWidget* owner = nullptr);

// Runs f; any exception ends in the default error handler instead of crossing
// the event loop. Returns false if f threw.
bool guarded(QWidget* owner, const std::function<void()>& f);

// The message of an exception as the error handler shows it.
QString exceptionText(const std::exception& e);

}
