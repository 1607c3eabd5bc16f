#pragma once
#include "platform/ui/gridform.h"
#include <QStringList>

namespace ui { class Edit; }
class QGroupBox;

// The department number that 添加 proposes: one above the largest stored
// number, compared as numbers (as text "1000" would rank below "999" and be
// proposed again), at least three digits; "001" for none. Blanks around a
// number and empty numbers are ignored; a number that is not all digits
// raises db::Error naming it.
QString nextDepartmentNumber(const QStringList& stored);

// Departments (部门表).
class Tfrm_bmxx : public ui::GridForm {
    Q_OBJECT
public:
    explicit Tfrm_bmxx(QWidget* owner = nullptr);

    // 添加, 修改, 删除 | 保存, 取消 | 退出
    ui::Button *SpeedButton1, *SpeedButton2, *SpeedButton3, *SpeedButton4, *SpeedButton5, *SpeedButton6;
    QGroupBox* GroupBox1;
    ui::Edit *Edit1, *Edit2;   // 部门编号 (never takes input), 部门名称

    void FormShow() override;
    void DBGrid1CellClick() override;
    void editclear() override;
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();

private:
    void insertDepartment();

    // The grid row the boxes show (clicked or just inserted), -1 when they
    // show none: a modify writes that row, not whichever row the grid's keys
    // have moved to since.
    int shownRow_ = -1;
};

extern Tfrm_bmxx* frm_bmxx;
