#pragma once
#include "platform/ui/form.h"
#include "platform/ui/rowbind.h"

namespace ui { class Button; class Edit; class DBGrid; }

// The attendance rule: the single row of 考勤表.
class Tfrm_kqxx : public ui::Form {
    Q_OBJECT
public:
    explicit Tfrm_kqxx(QWidget* owner = nullptr);

    ui::Button* SpeedButton2;   // 修改
    ui::Button* SpeedButton3;   // 删除
    ui::Button* SpeedButton4;   // 保存
    ui::Button* SpeedButton5;   // 取消
    ui::Button* SpeedButton6;   // 退出
    ui::Edit* Edit5;            // 全勤奖
    ui::Edit* Edit6;            // 出勤天数
    ui::Edit* Edit4;            // 几倍
    ui::Edit* Edit1;            // 迟到早退次数
    ui::Edit* Edit3;            // 月平均工作天数
    ui::DBGrid* DBGrid1;

    void FormShow() override;
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void DBGrid1CellClick();
    void editvalue();
    void editclear();

private:
    bool anyEmpty() const;
    ui::FieldControls fields() const;
};

extern Tfrm_kqxx* frm_kqxx;
