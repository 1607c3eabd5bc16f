#pragma once
#include "personnel/employee_tree.h"
#include "platform/db/value.h"
#include "platform/ui/form.h"
#include "platform/ui/rowbind.h"
#include <QList>
#include <utility>

namespace ui { class Button; class ComboBox; class InputPanel; class SpeedBar; }
class QFrame;
class QTreeWidget;
class QVBoxLayout;

// The frame the transfer, resignation and reinstatement dialogs share: the
// department tree, the list of one population of 人事表 in Data1->ADOpublic,
// the search, and inputs that always show the list's current employee.
//
// The inputs follow every change of the list (a search, a tree click, 显示全部,
// a reload, a grid click or a key in the grid), so that an action always
// writes to the employee the operator sees; an empty or closed list empties
// them and the actions then do nothing.
class EmployeeMoveForm : public ui::Form {
    Q_OBJECT
public:
    ui::Button* SpeedButton1;   // 查找
    ui::Button* SpeedButton2;   // 显示全部
    ui::Button* SpeedButton3;   // 退出
    QTreeWidget* TreeView1;
    ui::DBGrid* DBGrid1;

    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void DBGrid1CellClick();
    void TreeView1Click();

    // The list holds a current employee for the actions to change.
    bool hasEmployee() const;

protected:
    explicit EmployeeMoveForm(QWidget* owner);

    // The framed panel of the dialog's inputs, lines of label-input pairs;
    // inputsBox_ takes anything the dialog puts below them.
    ui::InputPanel* inputsPanel();

    // After the dialog's own tool buttons and inputs: adds 退出, creates the
    // tree and the grid on `setup` and lays out the tree on the left, then the
    // bar, the inputs and the grid; the inputs show bh, xm, ssbm, zw and zc.
    void finishFrame(personnel::EmployeeTreeList::Setup setup, QWidget* bh, QWidget* xm, QWidget* ssbm, QWidget* zw,
                     QWidget* zc);

    // The department, position and title lists (transfer, reinstatement):
    // clears the three boxes, builds the tree with the departments into the
    // first, fills the other two.
    void fillPostLists(ui::ComboBox* departments, ui::ComboBox* positions, ui::ComboBox* titles);

    // Edits the current row, sets the values and posts. A failure drops the
    // edit, so the grid never shows values the table does not hold, and passes on.
    void writeCurrentRow(const QList<std::pair<QString, db::Value>>& values);

    ui::SpeedBar* bar_;
    QFrame* inputsFrame_ = nullptr;
    QVBoxLayout* inputsBox_ = nullptr;
    personnel::EmployeeTreeList* tree_ = nullptr;
    ui::FieldControls inputs_;

private:
    void followList();
};
