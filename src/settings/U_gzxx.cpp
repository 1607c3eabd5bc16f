#include "settings/U_gzxx.h"
#include "data/U_data.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/modal.h"
#include "platform/text/text.h"
#include "settings/reference_rows.h"
#include <QGroupBox>

Tfrm_gzxx* frm_gzxx = nullptr;
Tfrm_zcxx* frm_zcxx = nullptr;
Tfrm_whcd* frm_whcd = nullptr;
Tfrm_zzmm* frm_zzmm = nullptr;
Tfrm_mzxx* frm_mzxx = nullptr;
Tfrm_zwxx* frm_zwxx = nullptr;

namespace {

using AfterAdd = ReferenceList::AfterAdd;
using AddFailure = ReferenceList::AddFailure;

const ReferenceList kJobTypes{.formName = "frm_gzxx", .caption = QStringLiteral("工种信息"),
                              .label = QStringLiteral("工  种："), .table = QStringLiteral("工种表"),
                              .column = QStringLiteral("工种"), .employeeColumn = QStringLiteral("gz"),
                              .query = &TData1::ADOQYgzxx, .emptyPrompt = QStringLiteral("请输入工种")};

const ReferenceList kTitles{.formName = "frm_zcxx", .caption = QStringLiteral("职称类型"),
                            .label = QStringLiteral("职称名称："), .table = QStringLiteral("职称表"),
                            .column = QStringLiteral("职称名称"), .employeeColumn = QStringLiteral("zc"),
                            .query = &TData1::ADOQYzcxx, .emptyPrompt = QStringLiteral("请输入职称"),
                            .duplicateAdd = QStringLiteral("职称不能重复")};

const ReferenceList kEducation{.formName = "frm_whcd", .caption = QStringLiteral("文化程度"),
                               .label = QStringLiteral("文化程度："), .table = QStringLiteral("文化程度表"),
                               .column = QStringLiteral("文化程度"), .employeeColumn = QStringLiteral("whcd"),
                               .query = &TData1::ADOQYwhcd, .emptyPrompt = QStringLiteral("请输入文化程度")};

const ReferenceList kPolitics{.formName = "frm_zzmm", .caption = QStringLiteral("政治面貌"),
                              .label = QStringLiteral("政治面貌："), .table = QStringLiteral("政治面貌表"),
                              .column = QStringLiteral("政治面貌"), .employeeColumn = QStringLiteral("zzmm"),
                              .query = &TData1::ADOQYzzmm, .emptyPrompt = QStringLiteral("请输入政治面貌"),
                              .afterAdd = AfterAdd::ReloadOnly, .renameClears = false};

const ReferenceList kEthnic{.formName = "frm_mzxx", .caption = QStringLiteral("民族信息"),
                            .label = QStringLiteral("民    族："), .table = QStringLiteral("民族表"),
                            .column = QStringLiteral("民族"), .employeeColumn = QStringLiteral("mz"),
                            .query = &TData1::ADOQYmzxx, .emptyPrompt = QStringLiteral("请输入民族"),
                            .afterAdd = AfterAdd::ClearReloadTell, .addFailure = AddFailure::TellAndStay};

const ReferenceList kPositions{.formName = "frm_zwxx", .caption = QStringLiteral("职务信息"),
                               .label = QStringLiteral("职务名称："), .table = QStringLiteral("职务表"),
                               .column = QStringLiteral("职务名称"), .employeeColumn = QStringLiteral("zw"),
                               .query = &TData1::ADOQYzwxx, .emptyPrompt = QStringLiteral("请输入职务"),
                               .afterAdd = AfterAdd::ClearReloadTell, .addFailure = AddFailure::TellAndStay,
                               .emptyRenameTells = true};

void openWith(db::Query& q, const QString& sql, const QString& a)
{
    q.close();
    q.setSql(sql);
    q.setParam(QStringLiteral("a"), db::Value::text(a));
    q.open();
}

}

Tfrm_gzxx::Tfrm_gzxx(QWidget* owner) : Tfrm_gzxx(owner, kJobTypes) {}

Tfrm_gzxx::Tfrm_gzxx(QWidget* owner, const ReferenceList& list)
    : ui::GridForm(owner, list.formName, list.caption, Data1->*list.query, {.size = {341, 403}, .buttonSize = {50, 52}}),
      list_(list)
{
    addTools({{SpeedButton2, "修改", [this] { SpeedButton2Click(); }},
              {SpeedButton3, "删除", [this] { SpeedButton3Click(); }}, divider(),
              {SpeedButton4, "保存", [this] { SpeedButton4Click(); }},
              {SpeedButton5, "取消", [this] { SpeedButton5Click(); }}, divider(),
              {SpeedButton6, "退出", [this] { SpeedButton6Click(); }}});
    ui::InputPanel* p = addGroup(GroupBox1, list.caption);
    p->line({{Edit1, "Edit1", list.label}});
    bindFields({{list.column, Edit1}});
    tabOrder({Edit1, DBGrid1});
}

void Tfrm_gzxx::FormShow()
{
    reload(QStringLiteral("select * from ") + list_.table);
    if (query().field(list_.column).isNull()) ui::info(QStringLiteral("数据库中没有数据，请添加数据！"), this);
}

void Tfrm_gzxx::SpeedButton4Click()
{
    const QString value = text::trim(Edit1->text());
    if (value.isEmpty()) {
        ui::info(list_.emptyPrompt, this);
        return;
    }
    try {
        if (!list_.duplicateAdd.isEmpty()) {
            openWith(query(), QStringLiteral("select * from %1 where %2= :a").arg(list_.table, list_.column), value);
            if (!query().isEmpty()) {
                ui::info(list_.duplicateAdd, this);
                return;
            }
        }
        insertInputs(QStringLiteral("insert into %1 (%2) values (:a)").arg(list_.table, list_.column));
        switch (list_.afterAdd) {
        case AfterAdd::ReloadTellClear:
            FormShow();
            ui::info(QStringLiteral("添加成功"), this);
            Edit1->clear();
            break;
        case AfterAdd::ReloadOnly:
            FormShow();
            break;
        case AfterAdd::ClearReloadTell:
            Edit1->clear();
            FormShow();
            ui::info(QStringLiteral("添加成功"), this);
            break;
        }
    } catch (...) {
        if (list_.addFailure == AddFailure::TellAndStay) {
            ui::failed(list_.caption + QStringLiteral("添加"), QStringLiteral("系统出错！"), this);
        } else {
            ui::failed(list_.caption + QStringLiteral("添加"), QStringLiteral("系统出错"), this, QStringLiteral("警告"));
            close();
        }
    }
}

void Tfrm_gzxx::SpeedButton2Click()
{
    const QString value = text::trim(Edit1->text());
    if (value.isEmpty()) {
        if (list_.emptyRenameTells) ui::info(QStringLiteral("信息不能为空"), this);
        return;
    }
    // A list left closed by a failed add shows no row to rename.
    if (!query().isOpen()) return;
    auto& dup = Data1->ADOpublic;
    openWith(dup, QStringLiteral("select * from %1 where %2=:a").arg(list_.table, list_.column), value);
    if (!dup.isEmpty()) {
        ui::info(QStringLiteral("信息不能重复"), this);
        Edit1->clear();
        Edit1->setFocus();
        return;
    }
    postInputs();
    ui::info(QStringLiteral("修改成功"), this);
    if (list_.renameClears) Edit1->clear();
}

void Tfrm_gzxx::SpeedButton3Click()
{
    if (deleteUnlessInUse(query(), list_.column, list_.employeeColumn, this)) Edit1->clear();
}

void Tfrm_gzxx::SpeedButton5Click() { Edit1->clear(); }

void Tfrm_gzxx::SpeedButton6Click() { close(); }

Tfrm_zcxx::Tfrm_zcxx(QWidget* owner) : Tfrm_gzxx(owner, kTitles) {}
Tfrm_whcd::Tfrm_whcd(QWidget* owner) : Tfrm_gzxx(owner, kEducation) {}
Tfrm_zzmm::Tfrm_zzmm(QWidget* owner) : Tfrm_gzxx(owner, kPolitics) {}
Tfrm_mzxx::Tfrm_mzxx(QWidget* owner) : Tfrm_gzxx(owner, kEthnic) {}
Tfrm_mzxx::Tfrm_mzxx(QWidget* owner, const ReferenceList& list) : Tfrm_gzxx(owner, list) {}
Tfrm_zwxx::Tfrm_zwxx(QWidget* owner) : Tfrm_mzxx(owner, kPositions) {}
