#pragma once
#include <QDialog>
#include <QList>
#include <QPointer>
#include <functional>

class QAbstractButton;

namespace ui {

// Base of every task dialog: FormShow runs on each show (under the default
// error handler), FormClose on each close; Esc does nothing unless the dialog
// names a cancel button; Enter presses the default button only where one is set.
class Form : public QDialog {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);

    // Focus walking in the dialog's declared order. Edit boxes and masked edits
    // move on Enter and Down, combo boxes on Enter only, memos on Down only
    // (unless told otherwise); Up moves back. Disabled or hidden widgets are skipped.
    enum class Keys { Auto, EnterOnly, DownOnly, EnterAndDown, None };
    void setFocusChain(const QList<QWidget*>& order);
    void setFocusKeys(QWidget* w, Keys k);          // override for one widget
    // Enter in any single-line input presses it while visible and enabled.
    void setDefaultButton(QAbstractButton* b);
    // Esc closes the dialog through this button (none by default).
    void setCancelButton(QAbstractButton* b);

    // Handlers of the original form; override as needed.
    virtual void FormShow() {}
    virtual void FormClose() {}

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;
    void done(int r) override;

private:
    QList<QPointer<QWidget>> chain_;
    QHash<QWidget*, Keys> keys_;
    QPointer<QAbstractButton> default_;
    QPointer<QAbstractButton> cancel_;
    bool closing_ = false;
};

// The standard way of opening a task dialog: create it with the global
// instance set before its own creation code runs, show it modally through the
// modal seam, destroy it; the global is null afterwards. If creation throws,
// the global is null and the error passes on.
template <class T, class... Args>
int openDialog(T*& global, QWidget* owner, Args&&... args)
{
    struct Reset { T*& g; ~Reset() { g = nullptr; } } reset{global};
    // operator new first so the global holds the instance during construction.
    void* mem = ::operator new(sizeof(T));
    global = static_cast<T*>(mem);
    T* dlg = nullptr;
    try {
        dlg = new (mem) T(owner, std::forward<Args>(args)...);
    } catch (...) {
        ::operator delete(mem);
        throw;
    }
    struct Del { T* d; ~Del() { delete d; } } del{dlg};
    return execDialog(dlg);
}

int execDialog(QDialog* dlg);

}
