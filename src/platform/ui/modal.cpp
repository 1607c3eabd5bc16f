#include "platform/ui/modal.h"
#include "platform/diag/log.h"
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>

namespace ui {

namespace {

bool g_quitting = false;

QWidget* ownerOrActive(QWidget* owner)
{
    if (owner) return owner->window();
    if (QWidget* w = QApplication::activeModalWidget()) return w;
    return QApplication::activeWindow();
}

QMessageBox::Icon qtIcon(Icon i)
{
    switch (i) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Error: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

// The answer of a box closed without a choice (Esc, close box, application ending).
Answer dismissed(Buttons b)
{
    switch (b) {
    case Buttons::YesNo: return Answer::No;
    case Buttons::OkCancel: return Answer::Cancel;
    case Buttons::Ok: break;
    }
    return Answer::Ok;
}

// Stops the application's loop. QCoreApplication::exit only reaches loops that
// are running; an exit asked for before the main loop starts (a refused login
// at start-up) is repeated from inside it.
void exitWhenLooping()
{
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
    else
        QTimer::singleShot(0, qApp, &exitWhenLooping);
}

class WindowHandler : public ModalHandler {
public:
    Answer message(const MessageRequest& r) override
    {
        if (g_quitting) return dismissed(r.buttons);
        QMessageBox box(qtIcon(r.icon), r.caption, r.text, QMessageBox::NoButton, ownerOrActive(r.owner));
        if (!r.detail.isEmpty()) box.setDetailedText(r.detail);
        QPushButton* yes = nullptr;
        QPushButton* no = nullptr;
        QPushButton* ok = nullptr;
        QPushButton* cancel = nullptr;
        switch (r.buttons) {
        case Buttons::Ok:
            ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
            box.setDefaultButton(ok);
            box.setEscapeButton(ok);
            break;
        case Buttons::YesNo:
            yes = box.addButton(QStringLiteral("是"), QMessageBox::YesRole);
            no = box.addButton(QStringLiteral("否"), QMessageBox::NoRole);
            box.setDefaultButton(yes);
            box.setEscapeButton(no);
            break;
        case Buttons::OkCancel:
            ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
            cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
            box.setDefaultButton(ok);
            box.setEscapeButton(cancel);
            break;
        }
        box.exec();
        QAbstractButton* c = box.clickedButton();
        if (c && c == yes) return Answer::Yes;
        if (c && c == no) return Answer::No;
        if (c && c == cancel) return Answer::Cancel;
        if (c && c == ok) return Answer::Ok;
        return dismissed(r.buttons);
    }

    QString file(const FileRequest& r) override
    {
        if (g_quitting) return {};
        QFileDialog dlg(ownerOrActive(r.owner), r.title, QString(), toQtFilter(r.filter));
        dlg.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dlg.setFileMode(r.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        // The original save dialogs overwrite without asking.
        if (r.save) dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (!r.defaultExt.isEmpty()) {
            QString ext = r.defaultExt;
            if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
            dlg.setDefaultSuffix(ext);
        }
        if (!r.fileName.isEmpty()) dlg.selectFile(r.fileName);
        if (dlg.exec() != QDialog::Accepted) return {};
        const QStringList files = dlg.selectedFiles();
        return files.isEmpty() ? QString() : files.first();
    }

    int execDialog(QDialog* dlg) override
    {
        if (g_quitting) return QDialog::Rejected;
        return dlg->exec();
    }

    void quit() override
    {
        g_quitting = true;
        // Ends every running loop at once, modal dialogs' loops included.
        QCoreApplication::exit(0);
        QTimer::singleShot(0, qApp, &exitWhenLooping);
    }
};

WindowHandler& windowHandler()
{
    static WindowHandler h;
    return h;
}

ModalHandler* g_installed = nullptr;

} // namespace

ModalHandler& modal() { return g_installed ? *g_installed : windowHandler(); }

ModalHandler* setModalHandler(ModalHandler* h)
{
    ModalHandler* prev = g_installed;
    g_installed = h;
    return prev;
}

QString applicationTitle() { return QStringLiteral("人力资源管理系统"); }

Answer message(const MessageRequest& r) { return modal().message(r); }

static void show(const QString& caption, const QString& text, Icon icon, QWidget* owner)
{
    MessageRequest r;
    r.owner = owner;
    r.caption = caption;
    r.text = text;
    r.icon = icon;
    r.buttons = Buttons::Ok;
    modal().message(r);
}

void failedBecause(const QString& text, const QString& cause, QWidget* owner, const QString& caption, Icon icon)
{
    MessageRequest r;
    r.owner = owner;
    r.caption = caption;
    r.text = text;
    r.detail = cause;
    r.icon = icon;
    r.buttons = Buttons::Ok;
    modal().message(r);
}

void failed(const QString& what, const QString& text, QWidget* owner, const QString& caption, Icon icon)
{
    const std::exception_ptr e = std::current_exception();
    diag::logCause(what, e);
    failedBecause(text, e ? diag::causeText(e) : QString(), owner, caption, icon);
}

void info(const QString& text, QWidget* owner) { show(QStringLiteral("提示"), text, Icon::Information, owner); }
void warning(const QString& text, QWidget* owner) { show(QStringLiteral("警告"), text, Icon::Warning, owner); }
void plain(const QString& text, QWidget* owner) { show(applicationTitle(), text, Icon::None, owner); }

bool ask(const QString& text, QWidget* owner, const QString& caption)
{
    MessageRequest r;
    r.owner = owner;
    r.caption = caption;
    r.text = text;
    r.icon = Icon::Question;
    r.buttons = Buttons::YesNo;
    return modal().message(r) == Answer::Yes;
}

QString openFileName(QWidget* owner, const QString& title, const QString& filter)
{
    FileRequest r;
    r.owner = owner;
    r.title = title;
    r.filter = filter;
    return modal().file(r);
}

QString saveFileName(QWidget* owner, const QString& title, const QString& filter, const QString& defaultExt,
                     const QString& fileName)
{
    FileRequest r;
    r.owner = owner;
    r.title = title;
    r.filter = filter;
    r.defaultExt = defaultExt;
    r.fileName = fileName;
    r.save = true;
    return modal().file(r);
}

int execDialog(QDialog* dlg) { return modal().execDialog(dlg); }

void quitApplication() { modal().quit(); }

bool quitRequested() { return g_quitting; }

QString toQtFilter(const QString& filter)
{
    if (filter.isEmpty()) return {};
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString desc = parts.at(i).trimmed();
        QString pattern = i + 1 < parts.size() ? parts.at(i + 1) : QStringLiteral("*");
        QStringList globs;
        for (const QString& g : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString t = g.trimmed();
            if (!t.isEmpty()) globs << t;
        }
        if (globs.isEmpty()) globs << QStringLiteral("*");
        const QString list = globs.join(QLatin1Char(' '));
        // Qt reads the patterns from the last parentheses; a description that
        // already shows them ("Bitmaps (*.bmp)") still gets its own pair.
        out << (desc.isEmpty() ? list : desc) + QStringLiteral(" (") + list + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

}
