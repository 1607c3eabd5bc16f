#include "platform/ui/form.h"
#include "platform/ui/errors.h"
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QTextEdit>

namespace ui {

namespace {

bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

// Shift, Ctrl or Alt with a key is not one of the walking keys.
bool plainKey(const QKeyEvent* e) { return (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier; }

}

bool isSingleLineInput(const QWidget* w)
{
    if (!w) return false;
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w)
        || qobject_cast<const QAbstractSpinBox*>(w);
}

Form::Form(QWidget* parent) : QDialog(parent) {}

void Form::setFocusChain(const QList<QWidget*>& order)
{
    chain_.clear();
    for (QWidget* w : order) {
        if (!w) continue;
        chain_ << w;
        w->installEventFilter(this);
        if (auto* cb = qobject_cast<QComboBox*>(w); cb && cb->lineEdit()) cb->lineEdit()->installEventFilter(this);
    }
}

void Form::setFocusKeys(QWidget* w, Keys k) { keys_.insert(w, k); }
void Form::setUpKey(QWidget* w, bool movesBack) { up_.insert(w, movesBack); }

void Form::setDefaultButton(QAbstractButton* b)
{
    if (auto* old = qobject_cast<QPushButton*>(default_.data())) old->setDefault(false);
    default_ = b;
    // Only for the look of a default button; Enter is handled here.
    if (auto* pb = qobject_cast<QPushButton*>(b)) pb->setDefault(true);
}

void Form::setCancelButton(QAbstractButton* b) { cancel_ = b; }

Form::Keys Form::keysOf(QWidget* w) const
{
    const Keys k = keys_.value(w, Keys::Auto);
    if (k != Keys::Auto) return k;
    if (qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w)) return Keys::EnterOnly;
    if (qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w)) return Keys::DownOnly;
    if (qobject_cast<QLineEdit*>(w)) return Keys::EnterAndDown;
    return Keys::None;
}

bool Form::upMoves(QWidget* w) const
{
    if (up_.contains(w)) return up_.value(w);
    if (keysOf(w) == Keys::None) return false;
    // Up keeps its meaning in a list or a number box.
    return !qobject_cast<QComboBox*>(w) && !qobject_cast<QAbstractSpinBox*>(w);
}

bool Form::focusStep(QWidget* w, int dir)
{
    qsizetype i = -1;
    for (qsizetype k = 0; k < chain_.size(); ++k)
        if (chain_.at(k) == w) { i = k; break; }
    if (i < 0) return false;
    for (qsizetype k = i + dir; k >= 0 && k < chain_.size(); k += dir) {
        QWidget* c = chain_.at(k);
        if (c && c->isEnabled() && c->isVisibleTo(this)) {
            c->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return false;
}

bool Form::focusNextFrom(QWidget* w) { return focusStep(w, +1); }
bool Form::focusPreviousFrom(QWidget* w) { return focusStep(w, -1); }

bool Form::pressDefault()
{
    if (default_ && default_->isVisibleTo(this) && default_->isEnabled()) {
        default_->click();
        return true;
    }
    return false;
}

QWidget* Form::chainMember(QObject* o) const
{
    for (const auto& p : chain_) {
        if (!p) continue;
        if (p == o) return p;
        if (auto* cb = qobject_cast<QComboBox*>(p.data()); cb && cb->lineEdit() == o) return p;
    }
    return nullptr;
}

bool Form::handleChainKey(QWidget* w, QKeyEvent* e)
{
    if (!plainKey(e)) return false;
    const int key = isEnter(e->key()) ? Qt::Key_Return : e->key();
    if (key != Qt::Key_Return && key != Qt::Key_Down && key != Qt::Key_Up) return false;
    bool handled = false;
    if (!guarded(this, [&] { handled = chainKeyDown(w, key); })) return true;
    if (handled) return true;
    const Keys k = keysOf(w);
    switch (key) {
    case Qt::Key_Return:
        if (isSingleLineInput(w) && pressDefault()) return true;
        if (k == Keys::EnterOnly || k == Keys::EnterAndDown) return focusStep(w, +1);
        return false;
    case Qt::Key_Down:
        if (k == Keys::DownOnly || k == Keys::EnterAndDown) return focusStep(w, +1);
        return false;
    default:
        return upMoves(w) && focusStep(w, -1);
    }
}

bool Form::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if (QWidget* w = chainMember(o)) {
            if (handleChainKey(w, ke)) return true;
        } else if (isEnter(ke->key()) && plainKey(ke) && o->isWidgetType()) {
            auto* w = static_cast<QWidget*>(o);
            if (w->window() == this && isSingleLineInput(w) && pressDefault()) return true;
        }
    }
    return QDialog::eventFilter(o, e);
}

void Form::keyPressEvent(QKeyEvent* e)
{
    if (isEnter(e->key())) {
        // Never QDialog's own choice of a button: only the named default one.
        if (plainKey(e) && isSingleLineInput(focusWidget())) pressDefault();
        e->accept();
        return;
    }
    if (e->key() == Qt::Key_Escape) {
        if (cancel_ && cancel_->isVisibleTo(this) && cancel_->isEnabled()) cancel_->click();
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

// Room the window manager's frame takes around a dialog before the dialog is
// first mapped and the frame can be measured.
constexpr QMargins kFrameAllowance(8, 36, 8, 8);

bool fitToScreen(QDialog* dlg, const QRect& available)
{
    if (!dlg || available.isEmpty()) return false;
    const QSize designed = dlg->size().expandedTo(dlg->minimumSize());
    const QRect room = available.marginsRemoved(kFrameAllowance);
    if (designed.width() <= room.width() && designed.height() <= room.height()) {
        // It fits; one placed where it does not (a position made for another
        // screen) moves just far enough to be seen whole.
        if (dlg->testAttribute(Qt::WA_Moved)) {
            // A window's position is that of its frame.
            QRect g(dlg->pos(), designed.grownBy(kFrameAllowance));
            g.moveLeft(qBound(available.left(), g.left(), available.right() - g.width() + 1));
            g.moveTop(qBound(available.top(), g.top(), available.bottom() - g.height() + 1));
            if (g.topLeft() != dlg->pos()) dlg->move(g.topLeft());
        }
        return false;
    }

    // The scroll area goes in first, so the controls moved into it never
    // leave the dialog: their tab order and focus stay as they were.
    auto* scroll = new QScrollArea(dlg);
    scroll->setObjectName(QStringLiteral("fitScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("fitContent"));
    scroll->setWidget(content);
    if (QLayout* l = dlg->layout()) {
        content->setLayout(l);   // taken over from the dialog, with its widgets
    } else {
        // Placed by hand: the content keeps the designed size and the places.
        content->setMinimumSize(designed);
    }
    const QObjectList kids = dlg->children();   // a copy: the loop takes them away
    for (QObject* o : kids) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w == scroll || w->isWindow()) continue;
        const QRect g = w->geometry();
        const bool hidden = w->isHidden();
        w->setParent(content);
        w->setGeometry(g);
        if (!hidden) w->show();
    }
    auto* outer = new QVBoxLayout(dlg);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    scroll->show();

    dlg->setMinimumSize(0, 0);
    dlg->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    dlg->setSizeGripEnabled(true);
    const int bar = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QSize need = content->minimumSizeHint().expandedTo(content->minimumSize()).expandedTo(designed) + QSize(bar, bar);
    const QSize size = need.boundedTo(room.size());
    dlg->resize(size);
    QRect frame(QPoint(), size);
    frame.moveCenter(room.center());
    dlg->move(frame.topLeft());
    return true;
}

void Form::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (e->spontaneous()) return;
    if (!fitted_) {
        fitted_ = true;
        if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen())
            fitToScreen(this, s->availableGeometry());
    }
    // Enter in any single-line input reaches the default button, whichever
    // widget the key was sent to.
    for (QWidget* w : findChildren<QWidget*>()) {
        if (isSingleLineInput(w) && w->window() == this) w->installEventFilter(this);
    }
    guarded(this, [this] { FormShow(); });
}

void Form::done(int r)
{
    if (closing_) {
        QDialog::done(r);
        return;
    }
    closing_ = true;
    guarded(this, [this] { FormClose(); });
    QDialog::done(r);
    closing_ = false;
}

}
