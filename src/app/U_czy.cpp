#include "app/U_czy.h"
#include "data/U_data.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/modal.h"
#include "platform/text/text.h"

Tfrm_gly* frm_gly = nullptr;

Tfrm_gly::Tfrm_gly(QWidget* owner)
    : ui::GridForm(owner, "frm_gly", QStringLiteral("管理员设置"), Data1->ADOlogin,
                   {.size = {320, 400}, .buttonSize = {50, 52}})
{
    addTools({{SpeedButton1, "添加", [this] { SpeedButton1Click(); }},
              {SpeedButton2, "修改", [this] { SpeedButton2Click(); }},
              {SpeedButton3, "删除", [this] { SpeedButton3Click(); }}, divider(),
              {SpeedButton6, "退出", [this] { SpeedButton6Click(); }}});
    ui::InputPanel* p = addPanel();
    QFont f(QStringLiteral("SimSun"));
    f.setPixelSize(14);
    p->setFont(f);
    p->line({{Edit1, "Edit1", "操作员名称："}});
    p->line({{Edit2, "Edit2", "操作员密码："}});
    Edit2->setEchoMode(QLineEdit::Password);
    Edit2->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    bindFields({{"操作员名称", Edit1}, {"操作员密码", Edit2}});
    tabOrder({DBGrid1, Edit1, Edit2});
    DBGrid1->setFocus();
}

void Tfrm_gly::FormShow() { reload(QStringLiteral("select * from 操作员信息表")); }

// A name of blanks only would be stored empty: nobody could log in with it.
bool Tfrm_gly::nameGiven()
{
    if (!text::trim(Edit1->text()).isEmpty()) return true;
    ui::info(QStringLiteral("请输入操作员名称"), this);
    return false;
}

// The login refuses an empty password box, and blanks are trimmed away: an
// operator stored without a password could not log in.
bool Tfrm_gly::passwordGiven()
{
    if (!text::trim(Edit2->text()).isEmpty()) return true;
    ui::info(QStringLiteral("请输入操作员密码"), this);
    return false;
}

void Tfrm_gly::SpeedButton1Click()
{
    if (!nameGiven() || !passwordGiven()) return;
    db::Query& q = query();
    q.close();
    q.setSql(QStringLiteral("select * from 操作员信息表 where 操作员名称=:a"));
    q.setParam(QStringLiteral("a"), db::Value::text(text::trim(Edit1->text())));
    q.open();
    if (q.recordCount() > 0) {
        ui::info(QStringLiteral("操作员已经存在！"), this);
        editclear();
        Edit1->setFocus();
        return;
    }
    try {
        insertInputs(QStringLiteral("insert into 操作员信息表 values (:a,:b)"));
        FormShow();
        ui::info(QStringLiteral("添加成功"), this);
        editclear();
    } catch (...) {
        ui::failed(QStringLiteral("操作员添加"), QStringLiteral("添加失败"), this);
    }
}

void Tfrm_gly::SpeedButton2Click()
{
    // The boxes start empty and are emptied after every action: without this
    // one click would overwrite the selected operator with nothing.
    if (!nameGiven() || !passwordGiven()) return;
    postInputs();
    ui::info(QStringLiteral("修改成功"), this);
    editclear();
}

namespace {

// What the login can match: a text, not empty, with nothing its trimming
// would take off either end (an older file may hold operators without a
// password, who cannot log in).
bool typable(const db::Value& v)
{
    return v.kind() == db::Value::Kind::Text && !v.asText().isEmpty() && text::trim(v.asText()) == v.asText();
}

bool canLogIn(const db::Value& name, const db::Value& password) { return typable(name) && typable(password); }

}

// Operators are kept only here, behind the login: without one who can log
// in nobody could get in again.
bool Tfrm_gly::keepsAnOperator()
{
    const db::Rows all = db::select(Data1->ADOConnection2, QStringLiteral("select 操作员名称, 操作员密码 from 操作员信息表"));
    int loginable = 0;
    for (int r = 0; r < all.count(); ++r) loginable += canLogIn(all.value(r, 0), all.value(r, 1)) ? 1 : 0;
    db::Query& q = query();
    const bool current = q.isOpen() && !q.isEmpty()
        && canLogIn(q.field(QStringLiteral("操作员名称")), q.field(QStringLiteral("操作员密码")));
    return !(all.count() <= 1 || (current && loginable <= 1));
}

void Tfrm_gly::SpeedButton3Click()
{
    bool kept = keepsAnOperator();
    if (kept && ui::ask(QStringLiteral("确定要删除吗？"), this)) {
        // Tested again with the write lock held: while the question waited,
        // another copy of the program may have deleted an operator too.
        db::Transaction tx(Data1->ADOConnection2);
        kept = keepsAnOperator();
        if (kept) {
            query().deleteRow();
            tx.commit();
        }
    }
    if (!kept) ui::info(QStringLiteral("至少要保留一个操作员，不能删除"), this);
    editclear();
}

void Tfrm_gly::SpeedButton6Click() { close(); }
