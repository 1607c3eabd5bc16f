#pragma once
#include "platform/report/report.h"
#include "platform/ui/form.h"

namespace ui { class Button; class ComboBox; class DBGrid; class Edit; }
namespace personnel { class EmployeeTreeList; }
class QTreeWidget;

// Every employee (resigned ones too) by department, with an exact or prefix
// query on one column, delete, edit in the employee dialog and work cards.
// The list is Data1->ADOQuery1, which the employee dialog edits and the
// work-card report reads.
class Tfrm_ygxill : public ui::Form {
    Q_OBJECT
public:
    explicit Tfrm_ygxill(QWidget* owner = nullptr);

    ui::ComboBox* ComboBox1;    // 查询条件
    ui::Edit* Edit1;            // 查询内容
    ui::Button* BitBtn1;        // 查询
    ui::Button* BitBtn2;        // 模糊查询
    ui::Button* BitBtn5;        // 修改
    ui::Button* BitBtn6;        // 删除
    ui::Button* BitBtn4;        // 打印工作证
    ui::Button* BitBtn3;        // 退出
    QTreeWidget* TreeView1;
    ui::DBGrid* DBGrid1;
    report::RvProject RvProject1;

    void FormShow() override;
    void FormClose() override;
    void TreeView1Click();
    // The column code of the condition as it stands; empty when it is none of the six.
    QString pdtj() const;
    void BitBtn1Click();        // 查询
    void BitBtn2Click();        // 模糊查询
    void BitBtn6Click();        // 删除
    void BitBtn5Click();        // 修改
    void BitBtn4Click();        // 打印工作证
    void BitBtn3Click();        // 退出

private:
    // The condition's column, or nothing after telling the operator what is missing.
    QString queryColumn();

    personnel::EmployeeTreeList* tree_;
};

extern Tfrm_ygxill* frm_ygxill;
