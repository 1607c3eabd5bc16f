#include "platform/ui/modal.h"
#include "platform/diag/log.h"
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QRegularExpression>
#include <QSpacerItem>
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
        const std::unique_ptr<QMessageBox> box = makeMessageBox(r, ownerOrActive(r.owner));
        box->exec();
        return answerOf(*box, r.buttons);
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

// "备份文件(*.bak)" with the patterns "*.bak": the description already ends in them.
bool showsPatterns(const QString& desc, const QStringList& globs)
{
    static const QRegularExpression tail(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch m = tail.match(desc);
    if (!m.hasMatch()) return false;
    QStringList shown = m.captured(1).split(QRegularExpression(QStringLiteral("[\\s;]+")), Qt::SkipEmptyParts);
    QStringList wanted = globs;
    shown.sort(Qt::CaseInsensitive);
    wanted.sort(Qt::CaseInsensitive);
    return shown == wanted;
}

} // namespace

ModalHandler& modal() { return g_installed ? *g_installed : windowHandler(); }

ModalHandler* setModalHandler(ModalHandler* h)
{
    ModalHandler* prev = g_installed;
    g_installed = h;
    return prev;
}

std::unique_ptr<QMessageBox> makeMessageBox(const MessageRequest& r, QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(qtIcon(r.icon), r.caption, r.text, QMessageBox::NoButton, parent);
    // A dialog's frame: title and close button, never minimise or maximise.
    box->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                        | Qt::WindowCloseButtonHint);
    if (!r.detail.isEmpty()) box->setDetailedText(r.detail);
    const auto add = [&](const QString& text, QMessageBox::ButtonRole role, const char* answer) {
        QPushButton* b = box->addButton(text, role);
        b->setProperty("answer", QByteArray(answer));
        return b;
    };
    switch (r.buttons) {
    case Buttons::Ok: {
        QPushButton* ok = add(QStringLiteral("确定"), QMessageBox::AcceptRole, "ok");
        box->setDefaultButton(ok);
        box->setEscapeButton(ok);
        break;
    }
    case Buttons::YesNo: {
        QPushButton* yes = add(QStringLiteral("是"), QMessageBox::YesRole, "yes");
        QPushButton* no = add(QStringLiteral("否"), QMessageBox::NoRole, "no");
        box->setDefaultButton(yes);
        box->setEscapeButton(no);
        break;
    }
    case Buttons::OkCancel: {
        QPushButton* ok = add(QStringLiteral("确定"), QMessageBox::AcceptRole, "ok");
        QPushButton* cancel = add(QStringLiteral("取消"), QMessageBox::RejectRole, "cancel");
        box->setDefaultButton(ok);
        box->setEscapeButton(cancel);
        break;
    }
    }
    // A short text makes a narrow box, and a window manager's title bar then
    // cuts the caption ("人…统"): the box keeps room for the caption and the
    // frame's buttons. The grid takes the width as a spacer below everything.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        int width = std::max(kMessageBoxMinWidth, box->fontMetrics().horizontalAdvance(r.caption) + 160);
        // The cause behind a failure is often a long sentence or the engine's
        // words: its pane shares the box's width, and a narrow pane shows a few
        // words a line.
        if (!r.detail.isEmpty()) width = std::max(width, kMessageBoxDetailWidth);
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    return box;
}

Answer answerOf(const QMessageBox& box, Buttons buttons)
{
    const QAbstractButton* c = box.clickedButton();
    const QByteArray a = c ? c->property("answer").toByteArray() : QByteArray();
    if (a == "yes") return Answer::Yes;
    if (a == "no") return Answer::No;
    if (a == "cancel") return Answer::Cancel;
    if (a == "ok") return Answer::Ok;
    return dismissed(buttons);
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
        // Qt filters by the patterns in the last parentheses. A description
        // that ends in exactly these patterns is a complete filter as it stands.
        if (!desc.isEmpty() && showsPatterns(desc, globs)) {
            out << desc;
            continue;
        }
        out << (desc.isEmpty() ? list : desc) + QStringLiteral(" (") + list + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

}
