#pragma once
#include "platform/ui/gridform.h"

namespace ui { class Edit; }

// The attendance rule: the single row of 考勤表.
class Tfrm_kqxx : public ui::GridForm {
    Q_OBJECT
public:
    explicit Tfrm_kqxx(QWidget* owner = nullptr);

    // 修改, 删除 | 保存, 取消 | 退出
    ui::Button *SpeedButton2, *SpeedButton3, *SpeedButton4, *SpeedButton5, *SpeedButton6;
    // 全勤奖, 出勤天数, 几倍 on the first line; 迟到早退次数, 月平均工作天数 on the second
    ui::Edit *Edit5, *Edit6, *Edit4, *Edit1, *Edit3;

    void FormShow() override;
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();

private:
    bool anyEmpty() const;
};

extern Tfrm_kqxx* frm_kqxx;
