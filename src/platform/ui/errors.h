#pragma once
#include <QApplication>
#include <QElapsedTimer>
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

// The program's application object. An exception that escapes an event
// handler of its own (a paint, a timer, a key) is the default error
// handler's too, instead of ending the program: it is shown once the event
// is over, never from inside a paint. While its box is open, and for a
// moment after, a further one only goes to the failure log, so that a paint
// that fails each time it is drawn cannot keep the operator in its boxes.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* e) override;
    static constexpr int kQuietMs = 1500;
private:
    bool reporting_ = false;
    QString lastText_;
    QElapsedTimer sinceLast_;
};

}
