#pragma once
#include "platform/report/report.h"
#include "platform/ui/form.h"

namespace ui { class Button; class ComboBox; class DBGrid; }

// The salary rows of 工资表 month by month, and the printed salary report of
// a settled month. Changes no data.
class Tfrm_gzll : public ui::Form {
    Q_OBJECT
public:
    explicit Tfrm_gzll(QWidget* owner = nullptr);

    ui::ComboBox* ComboBox1;    // the month
    ui::Button* BitBtn2;        // 打印
    ui::Button* BitBtn1;        // 退出
    ui::DBGrid* DBGrid1;        // Data1->gzt
    report::RvProject RvProject1;

    void FormShow() override;
    void ComboBox1Change();     // the month's rows, for the text as typed
    void BitBtn2Click();        // 打印

private:
    void print(const QString& month);
};

extern Tfrm_gzll* frm_gzll;
