#pragma once
#include "platform/ui/form.h"
#include "platform/ui/rowbind.h"
#include <QList>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>
#include <initializer_list>

class QGridLayout;
class QLayout;
class QGroupBox;
class QVBoxLayout;
namespace db { class Query; }

namespace ui {

class Button;
class DBGrid;
class SpeedBar;

// The edit panel of a GridForm: label-input pairs, one line() a line.
// Columns: labels right-aligned and inputs lined up in columns across lines;
// Lines: each line laid out on its own (for lines whose labels differ much).
class InputPanel : public QWidget {
    Q_OBJECT
public:
    enum class Align { Columns, Lines };

    // A label and its input; the input, of the member's own type (Edit,
    // ComboBox, Memo, MaskEdit, a date picker ...), is created into the member.
    struct Input {
        template <class W>
        Input(W*& member, const char* name, const QString& label)
            : label(label), make([&member, name](QWidget* parent) -> QWidget* {
                  member = new W(parent);
                  member->setObjectName(QLatin1String(name));
                  return member;
              })
        {
        }
        QString label;
        std::function<QWidget*(QWidget*)> make;
    };

    InputPanel(QWidget* parent, Align align);
    // Adds one line. With fill, the last input stretches over the columns that
    // the line leaves free (Columns only). A memo's label stands at its top.
    void line(std::initializer_list<Input> inputs, bool fill = false);

private:
    Align align_;
    QGridLayout* grid_ = nullptr;
    QVBoxLayout* lines_ = nullptr;
    int row_ = 0;
};

// A dialog that lists one table in a grid and edits the current row in
// labelled inputs: a bar of speed buttons at the top, the edit panel (a
// framed panel or group boxes) below it, the grid `DBGrid1` on the dialog's
// shared query filling the rest. The dialog builds its bar and inputs with
// the calls below and keeps its own handlers, statements and messages; the
// form gives the construction and the row mechanics on the bound inputs.
//
// Usage (the income-tax brackets; see also U_kqlr, U_khgl):
//   Tfrm_sl::Tfrm_sl(QWidget* owner)
//       : ui::GridForm(owner, "frm_sl", QStringLiteral("所得税设置"), Data1->ADOQYsl, {.size = {356, 434}})
//   {
//       addTools({{SpeedButton1, "添加", [this] { SpeedButton1Click(); }},
//                 {SpeedButton2, "修改", [this] { SpeedButton2Click(); }}, divider(),
//                 {SpeedButton6, "退出", [this] { SpeedButton6Click(); }}});
//       ui::InputPanel* p = addPanel();                     // or addGroup(GroupBox1, "部门信息")
//       p->line({{Edit1, "Edit1", "级别号："}, {Edit4, "Edit4", "税率："}});
//       p->line({{Edit2, "Edit2", "应纳所得税金额下限："}}, true);
//       bindFields({{"级别号", Edit1, ui::As::Number}, {"应纳所得税金额下限", Edit2, ui::As::Number},
//                   {"税率", Edit4, ui::As::Number}});      // the table's insert order
//       tabOrder({Edit1, Edit4, Edit2, DBGrid1});
//       setSaveButtons({SpeedButton4, SpeedButton5});
//       setInputsReadOnly(true);
//       setSaving(false);
//   }
//   void Tfrm_sl::FormShow() { reload(QStringLiteral("select * from 个人所得税税率表")); ... }
//   void Tfrm_sl::SpeedButton3Click() { if (deleteCurrentRow()) editclear(); }
//   void Tfrm_sl::SpeedButton4Click()
//   {
//       ...
//       try {
//           insertInputs(QStringLiteral("insert into 个人所得税税率表 (级别号, 应纳所得税金额下限, ...) "
//                                       "values (:a,:b,...)"));   // :a, :b ... in bindFields order
//           ...
//       } catch (...) {
//           diag::logCause(QStringLiteral("税率表添加"));
//           ui::info(QStringLiteral("系统出错！"), this);
//       }
//       ... or, modifying: postInputs(); ui::info(QStringLiteral("修改成功"), this);
//   }
// DBGrid1CellClick, editvalue and editclear work on the bound inputs; a
// dialog whose own differ overrides them. Handlers run under the default
// error handler, so an unguarded failure (a bad number in postInputs, a
// refused post) reaches the operator as the error's own message.
class GridForm : public Form {
    Q_OBJECT
public:
    struct Options {
        QSize size;                         // the dialog's size; it is centred on the screen
        QSize buttonSize = QSize(48, 30);   // the bar's speed buttons
        bool toolBar = true;                // false: no bar (the buttons sit in the panel)
    };
    GridForm(QWidget* owner, const char* name, const QString& caption, db::Query& query, const Options& options);

    DBGrid* DBGrid1;
    // The modify flag of the dialogs with an add mode: 1 from 修改 until a
    // modify-save or 取消, when 保存 changes the current row instead of adding.
    int xgflag = 0;

    db::Query& query() const { return q_; }

    // A click on a grid cell, or a key that moves to another row: editvalue
    // when the grid holds a row.
    virtual void DBGrid1CellClick();
    // The current row into the bound inputs (Null and no row give empty texts).
    virtual void editvalue();
    // Empties the bound inputs.
    virtual void editclear();

protected:
    // One speed button of the bar, created into the member; a default Tool
    // (divider()) is a divider.
    struct Tool {
        Tool() = default;
        Tool(Button*& member, const QString& caption, std::function<void()> onClick)
            : member(&member), caption(caption), onClick(std::move(onClick))
        {
        }
        Button** member = nullptr;
        QString caption;
        std::function<void()> onClick;
    };
    static Tool divider() { return {}; }
    void addTools(std::initializer_list<Tool> tools);

    // The edit panel, between the bar and the grid: a framed panel, or group
    // boxes (caption optional), stacked in the order added.
    InputPanel* addPanel(InputPanel::Align align = InputPanel::Align::Columns);
    InputPanel* addGroup(QGroupBox*& box, const QString& caption = {},
                         InputPanel::Align align = InputPanel::Align::Columns);
    // A panel laid out by the dialog itself, between the bar and the grid.
    void addAboveGrid(QLayout* layout);

    // The inputs that mirror the row, in the table's insert order.
    void bindFields(const FieldControls& fields);
    const FieldControls& fields() const { return fields_; }
    // Tab order through the widgets given, in that order.
    void tabOrder(const QList<QWidget*>& order);
    // The buttons that setSaving enables and disables (保存, 取消).
    void setSaveButtons(const QList<QWidget*>& buttons);

    void setSaving(bool on);
    // Read-only switching of the bound inputs.
    void setInputsReadOnly(bool ro);
    // Close the grid's query, replace its text with the select, open it.
    void reload(const QString& sql);
    // Execute the insert with :a, :b, ... bound to the bound inputs in order
    // (trimmed texts; numbers read strictly, db::Error naming the field
    // otherwise). The grid's query is left as it is, so that a refusal leaves
    // the grid on the stored rows; the caller reloads after a success.
    int insertInputs(const QString& sql);   // the rows inserted
    // Write the bound inputs, trimmed unless told otherwise, into the grid's
    // current row (edit, set, post; a query without rows starts a new one). A
    // bad number raises db::Error naming the field before the row is touched.
    void postInputs(bool trimmed = true);
    // What an input gives its field (see ui::inputValue), a conversion
    // failure naming the field.
    static db::Value inputOf(const FieldControl& fc, bool trimmed = true);
    // Every bound number input holds a number. Otherwise the first that does
    // not is named ("出勤天数必须是有效的数字！"), takes the focus (`reveal`
    // first makes it reachable where it can be disabled) and false comes back:
    // nothing is to be written.
    bool acceptNumbers(const std::function<void(QWidget*)>& reveal = {});
    // Asks the question (Yes/No) and on Yes deletes the grid's current row.
    bool deleteCurrentRow(const QString& question = QStringLiteral("真的要删除吗？"));

private:
    InputPanel* insertPanel(QWidget* holder, int margin, InputPanel::Align align);

    db::Query& q_;
    QVBoxLayout* body_;
    SpeedBar* bar_;
    FieldControls fields_;
    QList<QWidget*> saveButtons_;
};

}
