#pragma once
#include "platform/ui/gridform.h"

namespace ui { class Edit; }
class QGroupBox;
class TData1;

// What one of the one-column reference lists is and how its dialog differs
// from the job types'.
struct ReferenceList {
    enum class AfterAdd {
        ReloadTellClear,   // reload, "添加成功", clear the box
        ReloadOnly,        // reload; no message, the box keeps its text
        ClearReloadTell,   // clear the box, reload, "添加成功"
    };
    enum class AddFailure {
        WarnAndClose,      // "系统出错" captioned 警告, then the dialog closes
        TellAndStay,       // "系统出错！" captioned 提示; the dialog stays open
    };

    const char* formName;       // frm_gzxx ...
    QString caption;            // window and group box
    QString label;              // of Edit1
    QString table;              // T
    QString column;             // C, the table's one column
    QString employeeColumn;     // the column of 人事表 that holds C's values
    db::Query TData1::*query;   // the grid's shared query
    QString emptyPrompt;        // 保存 with an empty box
    QString duplicateAdd = {};  // 保存 refuses a listed value with this text; empty: adds it again
    AfterAdd afterAdd = AfterAdd::ReloadTellClear;
    AddFailure addFailure = AddFailure::WarnAndClose;
    bool emptyRenameTells = false;   // 修改 with an empty box says "信息不能为空"
    bool renameClears = true;        // 修改 clears the box after success
};

// Job types (工种表), the base of the reference-list dialogs; the others
// differ only in their ReferenceList.
class Tfrm_gzxx : public ui::GridForm {
    Q_OBJECT
public:
    explicit Tfrm_gzxx(QWidget* owner = nullptr);

    // 修改, 删除 | 保存, 取消 | 退出
    ui::Button *SpeedButton2, *SpeedButton3, *SpeedButton4, *SpeedButton5, *SpeedButton6;
    QGroupBox* GroupBox1;
    ui::Edit* Edit1;

    const ReferenceList& list() const { return list_; }

    void FormShow() override;
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();

protected:
    Tfrm_gzxx(QWidget* owner, const ReferenceList& list);

private:
    const ReferenceList& list_;
};

// Professional titles (职称表): 保存 refuses a title already listed.
class Tfrm_zcxx : public Tfrm_gzxx {
    Q_OBJECT
public:
    explicit Tfrm_zcxx(QWidget* owner = nullptr);
};

// Education levels (文化程度表).
class Tfrm_whcd : public Tfrm_gzxx {
    Q_OBJECT
public:
    explicit Tfrm_whcd(QWidget* owner = nullptr);
};

// Political status (政治面貌表): the box keeps its text after 保存 and 修改.
class Tfrm_zzmm : public Tfrm_gzxx {
    Q_OBJECT
public:
    explicit Tfrm_zzmm(QWidget* owner = nullptr);
};

// Ethnic groups (民族表): a failed 保存 leaves the dialog open.
class Tfrm_mzxx : public Tfrm_gzxx {
    Q_OBJECT
public:
    explicit Tfrm_mzxx(QWidget* owner = nullptr);

protected:
    Tfrm_mzxx(QWidget* owner, const ReferenceList& list);
};

// Positions (职务表): as the ethnic groups; 修改 with an empty box says so.
class Tfrm_zwxx : public Tfrm_mzxx {
    Q_OBJECT
public:
    explicit Tfrm_zwxx(QWidget* owner = nullptr);
};

extern Tfrm_gzxx* frm_gzxx;
extern Tfrm_zcxx* frm_zcxx;
extern Tfrm_whcd* frm_whcd;
extern Tfrm_zzmm* frm_zzmm;
extern Tfrm_mzxx* frm_mzxx;
extern Tfrm_zwxx* frm_zwxx;
