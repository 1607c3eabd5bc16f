#pragma once
#include <QString>
#include <functional>
#include <memory>

class QWidget;
class QDialog;
class QMessageBox;

// Every modal interaction of the program goes through this seam, so tests can
// answer message boxes, file dialogs and nested dialogs without blocking.
namespace ui {

enum class Icon { None, Information, Warning, Error, Question };
enum class Buttons { Ok, YesNo, OkCancel };
enum class Answer { Ok, Cancel, Yes, No };

struct MessageRequest {
    QWidget* owner = nullptr;
    QString caption;
    QString text;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    QString detail;       // the cause behind a fixed failure text, one click away
};

struct FileRequest {
    QWidget* owner = nullptr;
    QString title;
    QString filter;       // in the original form "BMP|*.bmp|JPG|*.jpg"
    QString defaultExt;
    QString fileName;     // initial
    bool save = false;
};

class ModalHandler {
public:
    virtual ~ModalHandler() = default;
    virtual Answer message(const MessageRequest& r) = 0;
    virtual QString file(const FileRequest& r) = 0;   // "" when cancelled
    // Shows the dialog modally; returns its result code when it closes.
    virtual int execDialog(QDialog* dlg) = 0;
    // Ends the application (the message loop stops).
    virtual void quit() = 0;
};

// The handler in force; the default one shows real windows.
ModalHandler& modal();
// Installs a handler (tests); nullptr restores the default. Returns the previous.
ModalHandler* setModalHandler(ModalHandler* h);

// The application title, caption of plain message boxes.
QString applicationTitle();   // "人力资源管理系统"

// Conveniences in the system's own forms.
void info(const QString& text, QWidget* owner = nullptr);         // "提示", information icon
void warning(const QString& text, QWidget* owner = nullptr);      // "警告", warning icon
void plain(const QString& text, QWidget* owner = nullptr);        // application title, no icon
// A fixed failure text ("保存失败") with the cause as the box's detail; call it
// inside the catch block: the cause is the exception in flight, which also goes
// to the failure log under `what` ("考核记录保存").
void failed(const QString& what, const QString& text, QWidget* owner = nullptr,
            const QString& caption = QStringLiteral("提示"), Icon icon = Icon::Information);
// The same for a failure known without an exception.
void failedBecause(const QString& text, const QString& cause, QWidget* owner = nullptr,
                   const QString& caption = QStringLiteral("提示"), Icon icon = Icon::Information);
// Yes/No with question icon, caption "提示" unless given; true on Yes.
bool ask(const QString& text, QWidget* owner = nullptr, const QString& caption = QStringLiteral("提示"));
Answer message(const MessageRequest& r);
QString openFileName(QWidget* owner, const QString& title, const QString& filter);
QString saveFileName(QWidget* owner, const QString& title, const QString& filter, const QString& defaultExt = {},
                     const QString& fileName = {});
int execDialog(QDialog* dlg);
void quitApplication();

// True once the default handler has been asked to end the application: from
// then on it shows no more windows (message boxes answer as if dismissed).
bool quitRequested();

// The box the default handler shows for r, not yet shown: Chinese buttons, a
// dialog's frame, at least kMessageBoxMinWidth wide (kMessageBoxDetailWidth with a detail). answerOf reads it after exec.
inline constexpr int kMessageBoxMinWidth = 260;
inline constexpr int kMessageBoxDetailWidth = 420;   // a box with a detail, for its pane
std::unique_ptr<QMessageBox> makeMessageBox(const MessageRequest& r, QWidget* parent = nullptr);
Answer answerOf(const QMessageBox& box, Buttons buttons);

// "BMP|*.bmp|JPG|*.jpg;*.jpeg" -> "BMP (*.bmp);;JPG (*.jpg *.jpeg)"; a description
// that ends in its own patterns stays as it is: "备份文件(*.bak)|*.bak" -> "备份文件(*.bak)"
QString toQtFilter(const QString& filter);

}
