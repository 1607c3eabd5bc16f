#pragma once
#include <QDialog>
#include <QHash>
#include <QList>
#include <QPointer>
#include <functional>
#include <memory>

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
    // (unless told otherwise); Up moves back, except in combo boxes (their list
    // meaning) and inputs set to Keys::None, unless setUpKey says otherwise.
    // Disabled or hidden widgets are skipped. Enter in a single-line input
    // presses the default button instead while it is visible and enabled.
    enum class Keys { Auto, EnterOnly, DownOnly, EnterAndDown, None };
    void setFocusChain(const QList<QWidget*>& order);
    void setFocusKeys(QWidget* w, Keys k);          // override for one widget
    void setUpKey(QWidget* w, bool movesBack);
    // Moves the focus along the chain from w, skipping disabled and hidden
    // widgets; false (and no move) when there is nowhere to go.
    bool focusNextFrom(QWidget* w);
    bool focusPreviousFrom(QWidget* w);
    // Enter in any single-line input presses it while visible and enabled.
    void setDefaultButton(QAbstractButton* b);
    // Esc closes the dialog through this button (none by default).
    void setCancelButton(QAbstractButton* b);

    // Handlers of the original form; override as needed.
    virtual void FormShow() {}
    virtual void FormClose() {}
    // A key pressed in an input of the focus chain, before the chain's own
    // handling; return true when the dialog handled it (the key is then spent).
    virtual bool chainKeyDown(QWidget* input, int key) { return false; }

    // Every way of closing ends here; FormClose runs first, once.
    void done(int r) override;

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    QWidget* chainMember(QObject* o) const;
    bool handleChainKey(QWidget* w, QKeyEvent* e);
    bool pressDefault();
    Keys keysOf(QWidget* w) const;
    bool upMoves(QWidget* w) const;
    bool focusStep(QWidget* w, int dir);

    QList<QPointer<QWidget>> chain_;
    QHash<QWidget*, Keys> keys_;
    QHash<QWidget*, bool> up_;
    QPointer<QAbstractButton> default_;
    QPointer<QAbstractButton> cancel_;
    bool closing_ = false;
    bool fitted_ = false;
};

int execDialog(QDialog* dlg);   // the modal seam (modal.h)

// The standard way of opening a task dialog: create it, publish it in its
// global instance once it exists, show it modally through the modal seam,
// destroy it; the global is null before and after. If creation throws, the
// global stays null and the error passes on.
template <class T, class... Args>
int openDialog(T*& global, QWidget* owner, Args&&... args)
{
    std::unique_ptr<T> dlg(new T(owner, std::forward<Args>(args)...));
    struct Reset { T*& g; ~Reset() { g = nullptr; } } reset{global};
    global = dlg.get();
    return execDialog(dlg.get());
}

// Makes a dialog about to be shown fit `available` (a screen's available
// geometry): a dialog that is larger, frame included, gets its content in a
// scroll area and is shrunk to the room there is, so every control can still
// be reached; one that fits keeps its size, and is moved only when it was
// placed where part of it would be off the screen. Returns true when it had
// to scroll. Every Form does this on its first show.
bool fitToScreen(QDialog* dlg, const QRect& available);

// Enter in this widget counts as Enter in a single-line input (the default
// button takes it): edit boxes, masked edits, combo boxes, date and number boxes.
bool isSingleLineInput(const QWidget* w);

}
