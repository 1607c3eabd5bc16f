#include "platform/ui/gridform.h"
#include "platform/db/error.h"
#include "platform/db/query.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/modal.h"
#include "platform/ui/speedbar.h"
#include <QAbstractSpinBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace ui {

InputPanel::InputPanel(QWidget* parent, Align align) : QWidget(parent), align_(align)
{
    if (align_ == Align::Columns) {
        grid_ = new QGridLayout(this);
    } else {
        lines_ = new QVBoxLayout(this);
        lines_->setContentsMargins(6, 6, 6, 6);
    }
}

void InputPanel::line(std::initializer_list<Input> inputs, bool fill)
{
    if (lines_) {
        auto* h = new QHBoxLayout;
        h->setSpacing(4);
        for (const Input& in : inputs) {
            h->addWidget(new QLabel(in.label, this));
            h->addWidget(in.make(this), 1);
        }
        lines_->addLayout(h);
        return;
    }
    int col = 0;
    int n = 0;
    for (const Input& in : inputs) {
        QWidget* w = in.make(this);
        const bool multiLine = qobject_cast<QPlainTextEdit*>(w) != nullptr;
        const bool last = ++n == int(inputs.size());
        grid_->addWidget(new QLabel(in.label, this), row_, col, Qt::AlignRight | (multiLine ? Qt::AlignTop : Qt::AlignVCenter));
        // A memo of a fixed size keeps to the left of its cells.
        grid_->addWidget(w, row_, col + 1, 1, fill && last ? -1 : 1, multiLine ? Qt::AlignLeft : Qt::Alignment());
        grid_->setColumnStretch(col + 1, 1);
        col += 2;
    }
    ++row_;
}

GridForm::GridForm(QWidget* owner, const char* name, const QString& caption, db::Query& query, const Options& options)
    : Form(owner), q_(query)
{
    setObjectName(QLatin1String(name));
    setWindowTitle(caption);

    // Panel and grid span the whole width: the grid needs every pixel for its columns.
    body_ = new QVBoxLayout(this);
    body_->setContentsMargins(0, 0, 0, 0);
    body_->setSpacing(2);
    bar_ = new SpeedBar(this, options.buttonSize);
    bar_->setContentsMargins(4, 2, 4, 0);
    body_->addWidget(bar_);
    bar_->setVisible(options.toolBar);

    DBGrid1 = new DBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setQuery(&q_);
    fitColumns(DBGrid1);
    // Also for a row reached with the keys or the row indicator: 修改 writes the row the inputs show.
    DBGrid1->onCellClick = [this] { DBGrid1CellClick(); };
    body_->addWidget(DBGrid1, 1);

    resize(options.size);
    centerOnScreen(this);
}

void GridForm::addTools(std::initializer_list<Tool> tools)
{
    for (const Tool& t : tools) {
        if (!t.member) {
            bar_->addDivider();
            continue;
        }
        Button* b = bar_->addButton(t.caption);
        b->onClick = t.onClick;
        *t.member = b;
    }
}

InputPanel* GridForm::insertPanel(QWidget* holder, int margin, InputPanel::Align align)
{
    auto* inner = new QVBoxLayout(holder);
    inner->setContentsMargins(0, 0, 0, 0);
    auto* p = new InputPanel(holder, align);
    inner->addWidget(p);
    auto* wrap = new QVBoxLayout;
    wrap->setContentsMargins(margin, 0, margin, 0);
    wrap->addWidget(holder);
    body_->insertLayout(body_->indexOf(DBGrid1), wrap);
    return p;
}

InputPanel* GridForm::addPanel(InputPanel::Align align)
{
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    return insertPanel(frame, 0, align);
}

InputPanel* GridForm::addGroup(QGroupBox*& box, const QString& caption, InputPanel::Align align)
{
    box = new QGroupBox(caption, this);
    return insertPanel(box, 4, align);
}

void GridForm::addAboveGrid(QLayout* layout) { body_->insertLayout(body_->indexOf(DBGrid1), layout); }

void GridForm::bindFields(const FieldControls& fields) { fields_ = fields; }

void GridForm::tabOrder(const QList<QWidget*>& order)
{
    for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void GridForm::setSaveButtons(const QList<QWidget*>& buttons) { saveButtons_ = buttons; }

void GridForm::setSaving(bool on)
{
    for (QWidget* b : saveButtons_) b->setEnabled(on);
}

void GridForm::setInputsReadOnly(bool ro)
{
    for (const auto& fc : fields_) {
        QWidget* w = fc.control;
        if (auto* e = qobject_cast<QLineEdit*>(w)) e->setReadOnly(ro);
        else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) m->setReadOnly(ro);
        else if (auto* c = qobject_cast<QComboBox*>(w); c && c->lineEdit()) c->lineEdit()->setReadOnly(ro);
        else if (auto* s = qobject_cast<QAbstractSpinBox*>(w)) s->setReadOnly(ro);
    }
}

void GridForm::DBGrid1CellClick()
{
    if (!q_.isEmpty()) editvalue();
}

void GridForm::editvalue() { showCurrentRow(q_, fields_); }

void GridForm::editclear() { clearControls(fields_); }

void GridForm::reload(const QString& sql) { db::runSelect(q_, sql); }

db::Value GridForm::inputOf(const FieldControl& fc, bool trimmed)
{
    try {
        return inputValue(fc, trimmed);
    } catch (const db::Error& e) {
        // The operator must learn which input holds the bad number.
        throw db::Error(QStringLiteral("%1：%2").arg(fc.field, e.message()));
    }
}

bool GridForm::acceptNumbers(const std::function<void(QWidget*)>& reveal)
{
    for (const auto& fc : fields_) {
        if (fc.as != As::Number) continue;
        try {
            inputValue(fc);   // the very reading the write would make
        } catch (const db::Error&) {
            if (reveal) reveal(fc.control);
            info(QStringLiteral("%1必须是有效的数字！").arg(fc.field), this);
            fc.control->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    return true;
}

int GridForm::insertInputs(const QString& sql)
{
    // Every input is read before anything runs, and the insert runs beside
    // the grid's query: a refused insert leaves the grid on the stored rows.
    db::Params params;
    for (qsizetype i = 0; i < fields_.size(); ++i)
        params.append({QString(QChar(char16_t(u'a' + i))), inputOf(fields_[i])});
    return db::exec(q_.connection(), sql, params);
}

void GridForm::postInputs(bool trimmed)
{
    FieldValues values;
    for (const auto& fc : fields_) values.append({fc.field, inputOf(fc, trimmed)});
    writeRow(q_, values);
}

bool GridForm::deleteCurrentRow(const QString& question) { return askDeleteCurrentRow(q_, this, question); }

}
