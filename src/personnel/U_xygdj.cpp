#include "personnel/U_xygdj.h"
#include "data/session.h"
#include "data/U_data.h"
#include "platform/db/query.h"
#include "personnel/employee_rules.h"
#include "personnel/record_layout.h"
#include "platform/db/convert.h"
#include "platform/db/error.h"
#include "platform/diag/log.h"
#include "platform/image/image.h"
#include "platform/ui/controls.h"
#include "platform/ui/errors.h"
#include "platform/ui/modal.h"
#include "platform/ui/rowbind.h"
#include "platform/text/text.h"
#include <QDate>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

Tfrm_xygdj* frm_xygdj = nullptr;

namespace {

const char* const kDateMask = "!9999/99/00;1;_";
const char* const kPhoneMask = "9999-99999999;1;_";
const char* const kInitialDate = "1975-01-01";
const char* const kClearedDate = "1999-01-01";

using personnel::named;

ui::Edit* newEdit(QWidget* parent, const char* name) { return named(new ui::Edit(parent), name); }

ui::ComboBox* newCombo(QWidget* parent, const char* name) { return named(new ui::ComboBox(parent), name); }

ui::MaskEdit* newMaskEdit(QWidget* parent, const char* name, const char* mask, const QString& text)
{
    auto* m = named(new ui::MaskEdit(parent), name);
    m->setEditMask(QString::fromLatin1(mask));
    m->setText(text);
    return m;
}

bool hasCurrentRow(const db::Query& q)
{
    return q.isOpen() && q.recordCount() > 0 && q.recNo() >= 0 && !q.eof();
}

}

Tfrm_xygdj::Tfrm_xygdj(QWidget* owner) : ui::Form(owner)
{
    setObjectName(QStringLiteral("frm_xygdj"));
    setWindowTitle(QStringLiteral("新员工登记"));
    // No position of its own: shown over the maximized main window it comes up
    // centred on the screen, and stays on a screen smaller than itself.
    setFixedSize(699, 676);

    buildBasicInputs();
    buildOtherInputs();
    buildButtons();

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(8, 6, 8, 8);
    top->addWidget(GroupBox1);
    top->addWidget(GroupBox2, 1);
    top->addWidget(Panel1);

    // Tab follows the inputs as they stand; Enter, Down and Up follow the chain.
    const QList<QWidget*> tabs = {Edit1, Edit2, ComboBox8, ComboBox1, MaskEdit3, ComboBox7, ComboBox9, ComboBox2,
                                  Edit6, Edit7, Edit8, Edit13, MaskEdit4, Edit9, Edit5, Edit10, Edit12, Button1,
                                  MaskEdit5, ComboBox3, Edit15, ComboBox4, ComboBox5, ComboBox6, MaskEdit2, Edit16,
                                  MaskEdit1, Memo1, BitBtn2, BitBtn1, BitBtn5, BitBtn4, BitBtn3};
    for (int i = 1; i < tabs.size(); ++i) setTabOrder(tabs[i - 1], tabs[i]);
    setFocusChain({Edit1, Edit2, ComboBox8, ComboBox1, MaskEdit3, ComboBox7, ComboBox9, ComboBox2, Edit6, Edit7,
                   Edit8, Edit13, MaskEdit4, Edit9, Edit5, Edit10, Edit12, MaskEdit5, ComboBox3, Edit15, ComboBox4,
                   ComboBox5, ComboBox6, MaskEdit1, Edit16, MaskEdit2, Memo1});
    setFocusKeys(Memo1, Keys::None);   // 简历 moves by its own rule (Memo1KeyDown)
    setDefaultButton(BitBtn1);

    describeRecord();

    // Handlers go on last, so the initial texts above run no rule. A date
    // input refuses a date that does not exist when it is left.
    personnel::watchInputs(fields_, [this] { Edit1Change(); });
    Edit10->onChange = [this] { Edit10Change(); };

    BitBtn2->onClick = [this] { BitBtn2Click(); };
    BitBtn1->onClick = [this] { BitBtn1Click(); };
    BitBtn5->onClick = [this] { BitBtn5Click(); };
    BitBtn4->onClick = [this] { BitBtn4Click(); };
    BitBtn3->onClick = [this] { close(); };
    Button1->onClick = [this] { Button1Click(); };

    FormCreate();
}

void Tfrm_xygdj::buildBasicInputs()
{
    // 基本信息: three columns of inputs, the photo at the right.
    GroupBox1 = named(new QGroupBox(QStringLiteral("基本信息"), this), "GroupBox1");
    auto* g1 = new QGridLayout(GroupBox1);
    g1->setHorizontalSpacing(6);
    g1->setVerticalSpacing(8);
    Edit1 = newEdit(GroupBox1, "Edit1");
    Edit1->setReadOnly(true);
    Edit2 = newEdit(GroupBox1, "Edit2");
    ComboBox8 = newCombo(GroupBox1, "ComboBox8");
    ComboBox8->addItems({QStringLiteral("男"), QStringLiteral("女")});
    ComboBox1 = newCombo(GroupBox1, "ComboBox1");
    MaskEdit3 = newMaskEdit(GroupBox1, "MaskEdit3", kDateMask, QString::fromLatin1(kInitialDate));
    ComboBox7 = newCombo(GroupBox1, "ComboBox7");
    ComboBox7->addItems({QStringLiteral("未婚"), QStringLiteral("已婚"), QStringLiteral("离异"), QStringLiteral("丧偶")});
    ComboBox9 = newCombo(GroupBox1, "ComboBox9");
    ComboBox2 = newCombo(GroupBox1, "ComboBox2");
    Edit6 = newEdit(GroupBox1, "Edit6");
    Edit7 = newEdit(GroupBox1, "Edit7");
    Edit8 = newEdit(GroupBox1, "Edit8");
    Edit13 = newEdit(GroupBox1, "Edit13");
    MaskEdit4 = newMaskEdit(GroupBox1, "MaskEdit4", kPhoneMask, QString());
    Edit9 = newEdit(GroupBox1, "Edit9");
    Edit5 = newEdit(GroupBox1, "Edit5");
    Edit10 = newEdit(GroupBox1, "Edit10");
    Edit12 = newEdit(GroupBox1, "Edit12");

    personnel::placeInputs(g1, {
        {0, 0, "编    号：", Edit1},    {0, 1, "姓    名：", Edit2},    {0, 2, "性    别：", ComboBox8},
        {1, 0, "民    族：", ComboBox1}, {1, 1, "出生日期：", MaskEdit3}, {1, 2, "婚姻状况：", ComboBox7},
        {2, 0, "文化程度：", ComboBox9}, {2, 1, "政治面貌：", ComboBox2}, {2, 2, "毕业学校：", Edit6},
        {3, 0, "专    业：", Edit7},    {3, 1, "特    长：", Edit8},    {3, 2, "电子信箱：", Edit13},
        {4, 0, "联系电话：", MaskEdit4}, {4, 1, "手    机：", Edit9},    {4, 2, "籍    贯：", Edit5},
        {5, 0, "身份证号：", Edit10, 3}, {6, 0, "家庭住址：", Edit12, 6},
    });

    Panel2 = named(new QFrame(GroupBox1), "Panel2");
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Sunken);
    Panel2->setLineWidth(2);
    Panel2->setFixedSize(93 + 4, 117 + 4);
    Image1 = named(new QLabel(Panel2), "Image1");
    Image1->setGeometry(2, 2, 93, 117);
    Image1->setScaledContents(true);
    Button1 = named(new ui::Button(QStringLiteral("添加照片"), GroupBox1), "Button1");
    Button1->setFixedWidth(93 + 4);
    g1->addWidget(Panel2, 0, 6, 4, 1, Qt::AlignHCenter | Qt::AlignTop);
    g1->addWidget(Button1, 4, 6, 1, 1, Qt::AlignHCenter);
    g1->setColumnMinimumWidth(6, 93 + 4 + 16);
    for (int c : {1, 3, 5}) g1->setColumnStretch(c, 1);
}

void Tfrm_xygdj::buildOtherInputs()
{
    // 其它信息
    GroupBox2 = named(new QGroupBox(QStringLiteral("其它信息"), this), "GroupBox2");
    auto* g2 = new QGridLayout(GroupBox2);
    g2->setHorizontalSpacing(6);
    g2->setVerticalSpacing(8);
    const QString initialDate = QString::fromLatin1(kInitialDate);
    MaskEdit5 = newMaskEdit(GroupBox2, "MaskEdit5", kDateMask, initialDate);
    ComboBox3 = newCombo(GroupBox2, "ComboBox3");
    Edit15 = newEdit(GroupBox2, "Edit15");
    Edit15->setText(QStringLiteral("0"));
    ComboBox4 = newCombo(GroupBox2, "ComboBox4");
    ComboBox5 = newCombo(GroupBox2, "ComboBox5");
    ComboBox6 = newCombo(GroupBox2, "ComboBox6");
    MaskEdit2 = newMaskEdit(GroupBox2, "MaskEdit2", kDateMask, initialDate);
    Edit16 = newEdit(GroupBox2, "Edit16");
    MaskEdit1 = newMaskEdit(GroupBox2, "MaskEdit1", kDateMask, initialDate);
    Memo1 = named(new ui::Memo(GroupBox2), "Memo1");
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setText(QString(30, QLatin1Char('\n')));

    personnel::placeInputs(g2, {
        {0, 0, "参加工作时间：", MaskEdit5}, {0, 1, "工    种：", ComboBox3}, {0, 2, "工    龄：", Edit15},
        {1, 0, "所属部门：", ComboBox4},     {1, 1, "职    务：", ComboBox5}, {1, 2, "职    称：", ComboBox6},
        {2, 0, "登记日期：", MaskEdit2},     {2, 1, "登 记 人：", Edit16},   {2, 2, "调入时间：", MaskEdit1},
    });
    auto* memoLabel = new QLabel(QStringLiteral("简历："), GroupBox2);
    memoLabel->setBuddy(Memo1);
    g2->addWidget(memoLabel, 3, 0, Qt::AlignTop);
    g2->addWidget(Memo1, 3, 1, 1, 5);
    g2->setRowStretch(3, 1);
    for (int c : {1, 3, 5}) g2->setColumnStretch(c, 1);
}

void Tfrm_xygdj::buildButtons()
{
    // The buttons; the placeholder 保存 stands where 保存 would in OpenMode 1.
    Panel1 = named(new QFrame(this), "Panel1");
    Panel1->setFrameShape(QFrame::StyledPanel);
    auto* bar = new QHBoxLayout(Panel1);
    bar->setSpacing(24);
    BitBtn6 = named(new ui::Button(QStringLiteral("保存"), Panel1), "BitBtn6");
    BitBtn2 = named(new ui::Button(QStringLiteral("添加"), Panel1), "BitBtn2");
    BitBtn1 = named(new ui::Button(QStringLiteral("保存"), Panel1), "BitBtn1");
    BitBtn5 = named(new ui::Button(QStringLiteral("修改"), Panel1), "BitBtn5");
    BitBtn4 = named(new ui::Button(QStringLiteral("取消"), Panel1), "BitBtn4");
    BitBtn3 = named(new ui::Button(QStringLiteral("退出"), Panel1), "BitBtn3");
    bar->addStretch(1);
    for (ui::Button* b : {BitBtn2, BitBtn6, BitBtn1, BitBtn5, BitBtn4, BitBtn3}) {
        b->setMinimumWidth(84);
        bar->addWidget(b);
    }
    bar->addStretch(1);
    BitBtn6->hide();
    BitBtn6->setEnabled(false);
    BitBtn1->setEnabled(false);
    BitBtn5->setEnabled(false);
}

void Tfrm_xygdj::describeRecord()
{
    // The record: each input in the order a loaded row fills it (身份证号
    // after 出生日期, so that the number's birth date wins), with its column.
    using K = personnel::RecordField::Kind;
    const QString cleared = QString::fromLatin1(kClearedDate);
    fields_ = {
        {"bh", QStringLiteral("编号"), Edit1},
        {"xm", QStringLiteral("姓名"), Edit2},
        {"xb", QStringLiteral("性别"), ComboBox8},
        {"mz", QStringLiteral("民族"), ComboBox1},
        {"csrq", QStringLiteral("出生日期"), MaskEdit3, K::Date, true, true, std::nullopt},
        {"hyzk", QStringLiteral("婚姻状况"), ComboBox7},
        {"whcd", QStringLiteral("文化程度"), ComboBox9},
        {"zzmm", QStringLiteral("政治面貌"), ComboBox2},
        {"byyx", QStringLiteral("毕业学校"), Edit6},
        {"zy", QStringLiteral("专业"), Edit7},
        {"tc", QStringLiteral("特长"), Edit8},
        {"dzyx", QStringLiteral("电子信箱"), Edit13},
        {"lxdh", QStringLiteral("联系电话"), MaskEdit4, K::Text, true, false},   // inserted with its blanks
        {"sjhm", QStringLiteral("手机"), Edit9},
        {"jg", QStringLiteral("籍贯"), Edit5},
        {"sfzh", QStringLiteral("身份证号"), Edit10, K::IdCard},
        {"jtdz", QStringLiteral("家庭住址"), Edit12},
        {"cjgzsj", QStringLiteral("参加工作时间"), MaskEdit5, K::DateText, true, true, std::nullopt},
        {"gz", QStringLiteral("工种"), ComboBox3},
        {"gl", QStringLiteral("工龄"), Edit15, K::Integer},
        {"ssbm", QStringLiteral("所属部门"), ComboBox4},
        {"zw", QStringLiteral("职务"), ComboBox5},
        {"zc", QStringLiteral("职称"), ComboBox6},
        {"djrq", QStringLiteral("登记日期"), MaskEdit2, K::Date, true, true, cleared},
        {"djr", QStringLiteral("登记人"), Edit16},
        {"drsj", QStringLiteral("调入时间"), MaskEdit1, K::Date, true, true, cleared},
        {"jl", QStringLiteral("简历"), Memo1, K::Text, false, false},
    };
}

int Tfrm_xygdj::openMode() const { return session().OpenMode; }

Tfrm_xygdj::Tfrm_xygdj(QWidget* owner, db::Query& employee) : Tfrm_xygdj(owner) { loadEmployee(employee); }

Tfrm_xygdj::Tfrm_xygdj(QWidget* owner, const ApplicantInputs& applicant, std::function<void()> withSave)
    : Tfrm_xygdj(owner)
{
    withSave_ = std::move(withSave);
    takeApplicant(applicant);
}

void Tfrm_xygdj::FormCreate()
{
    const int mode = openMode();
    if (mode == 1) {
        BitBtn1->hide();
        BitBtn6->show();
        for (ui::ComboBox* c : {ComboBox1, ComboBox2, ComboBox3, ComboBox4, ComboBox5, ComboBox6}) {
            c->clearItems();
            c->setText(QString());
        }
        setWindowTitle(QStringLiteral("员工信息修改"));
        BitBtn2->setEnabled(false);
        BitBtn4->setEnabled(false);
        BitBtn5->setEnabled(true);
    } else if (mode == 2) {
        // A failed proposal is reported and leaves 编号 empty; the dialog still opens.
        ui::guarded(this, [this] { BitBtn2Click(); });
    }
}

void Tfrm_xygdj::loadEmployee(db::Query& employee)
{
    // Without a current row there is nothing to copy, and 修改 refuses.
    if (!hasCurrentRow(employee)) return;
    personnel::loadRow(fields_, employee);
    loadStoredPhoto(employee.field(QStringLiteral("zp")));
    employee_ = &employee;
}

void Tfrm_xygdj::takeApplicant(const ApplicantInputs& a)
{
    Edit2->setText(a.xm);
    ComboBox8->setText(a.xb);
    ComboBox1->setText(a.mz);
    ComboBox9->setText(a.whcd);
    MaskEdit3->setText(a.csrq);
    Edit13->setText(a.dzyx);
    Edit6->setText(a.byyx);
    Edit7->setText(a.zy);
    Edit8->setText(a.tc);
}

void Tfrm_xygdj::FormShow()
{
    const int mode = openMode();
    const QString today = QDate::currentDate().toString(QLatin1String(text::kShortDateFormat));
    if (mode == 0) {
        MaskEdit1->setText(today);
        MaskEdit2->setText(today);
        MaskEdit3->setText(today);
        MaskEdit5->setText(today);
    } else if (mode == 2) {
        MaskEdit2->setText(today);
        MaskEdit5->setText(today);
    }

    struct List { const char* sql; const char* column; ui::ComboBox* combo; };
    const List lists[] = {
        {"select distinct 民族 from 民族表", "民族", ComboBox1},
        {"select distinct 政治面貌 from 政治面貌表", "政治面貌", ComboBox2},
        {"select distinct 文化程度 from 文化程度表", "文化程度", ComboBox9},
        {"select distinct 工种 from 工种表", "工种", ComboBox3},
        {"select distinct 部门名称 from 部门表", "部门名称", ComboBox4},
        {"select distinct 职务名称 from 职务表", "职务名称", ComboBox5},
        {"select distinct 职称名称 from 职称表", "职称名称", ComboBox6},
    };
    for (const List& l : lists) {
        const db::Rows rows = db::select(Data1->ADOConnection2, QString::fromUtf8(l.sql));
        const int column = rows.index(QString::fromUtf8(l.column));
        for (int r = 0; r < rows.count(); ++r) l.combo->addItem(rows.value(r, column).toText());
    }
}

void Tfrm_xygdj::FormClose()
{
    session().OpenMode = 0;
}

void Tfrm_xygdj::BitBtn2Click()
{
    Edit1->setText(personnel::proposeEmployeeNumber(Data1->ADOConnection2));
}

db::Value Tfrm_xygdj::photoValue() const
{
    return db::Value::blob(picture_.isNull() ? QByteArray() : img::encodeBmp(picture_));
}

void Tfrm_xygdj::BitBtn1Click()
{
    // Every value is checked before anything is written; a refusal or a
    // failure keeps the dialog open with what the operator typed.
    if (!personnel::acceptInputs(fields_, this)) return;
    const QString bh = text::trim(Edit1->text());
    bool taken = false;
    try {
        QStringList columns, markers;
        db::Params values;
        auto add = [&](const QString& column, const db::Value& v) {
            columns << column;
            markers << QLatin1Char(':') + column;
            values.append({column, v});
        };
        for (const personnel::RecordField& f : fields_) add(QString::fromUtf8(f.column), personnel::insertValue(f));
        add(QStringLiteral("zp"), photoValue());
        add(QStringLiteral("sflz"), db::Value::text(QStringLiteral("否")));
        for (const char* later : {"lzrq", "fzrq", "lzfydjr"}) add(QString::fromLatin1(later), db::Value::null());
        db::Query& q = Data1->ADOQYygxx;
        q.close();
        q.setSql(QStringLiteral("insert into 人事表 (%1) select %2 "
                                // The proposal reserves nothing: another copy may have saved this number since.
                                "where not exists (select 1 from 人事表 where bh = :bh)")
                     .arg(columns.join(QLatin1Char(',')), markers.join(QLatin1Char(','))));
        for (const auto& [column, v] : values) q.setParam(column, v);
        // A hire is whole or not at all: never an employee beside the applicant still waiting.
        db::Transaction tx(Data1->ADOConnection2);
        taken = q.execSql() == 0;
        if (!taken) {
            if (withSave_) withSave_();
            tx.commit();
        }
    } catch (const std::exception&) {
        ui::failed(QStringLiteral("员工登记保存"), QStringLiteral("系统出错！"), this);
        return;
    }
    if (taken) {
        ui::info(QStringLiteral("编号%1已经存在，员工信息没有保存，请重新添加！").arg(bh), this);
        return;
    }
    editclear();
    ui::info(QStringLiteral("保存成功！"), this);
    done(QDialog::Accepted);
}

void Tfrm_xygdj::BitBtn5Click()
{
    if (!personnel::acceptInputs(fields_, this)) return;
    if (!ui::ask(QStringLiteral("确定要修改吗？"), this)) return;
    try {
        // With no row of the browse behind it, an edit would append one.
        if (!employee_ || !hasCurrentRow(*employee_)) throw db::Error(QStringLiteral("没有要修改的员工"));
        db::Query& q = *employee_;
        // A photo the operator did not replace goes back byte for byte, even
        // one that could not be shown.
        const db::Value zp = photoReplaced_ ? photoValue() : q.field(QStringLiteral("zp"));
        ui::FieldValues values;
        for (const personnel::RecordField& f : fields_)
            values.append({QString::fromUtf8(f.column), personnel::updateValue(f)});
        values.append({QStringLiteral("zp"), zp});
        // Nothing of a failed update stays pending on the browse's row.
        ui::writeRow(q, values);
    } catch (const std::exception&) {
        ui::failed(QStringLiteral("员工信息修改"), QStringLiteral("修改失败"), this);
        return;
    }
    ui::info(QStringLiteral("修改成功"), this);
    close();
}

void Tfrm_xygdj::Button1Click()
{
    const QString file = ui::openFileName(this, QStringLiteral("选择照片"), QStringLiteral("BMP|*.bmp|JPG|*.jpg"));
    if (file.isEmpty()) return;
    // A JPEG becomes a bitmap of the same picture; a file that fails to load leaves the previous one.
    picture_ = img::loadPicture(file);
    photoReplaced_ = true;
    showPicture();
}

void Tfrm_xygdj::loadStoredPhoto(const db::Value& zp)
{
    photoReplaced_ = false;
    picture_ = QImage();
    const QByteArray bytes = zp.toBlob();
    if (!bytes.isEmpty()) {
        try {
            picture_ = img::decodeBmp(bytes);
        } catch (const std::exception&) {
            diag::logCause(QStringLiteral("员工照片"));
            picture_ = QImage();   // shown as no picture; the bytes stay as stored
        }
    }
    showPicture();
}

void Tfrm_xygdj::showPicture()
{
    if (picture_.isNull()) Image1->clear();
    else Image1->setPixmap(QPixmap::fromImage(picture_));
}

void Tfrm_xygdj::editclear() { personnel::clearInputs(fields_); }

void Tfrm_xygdj::Edit1Change() { BitBtn1->setEnabled(personnel::allFilled(fields_)); }

void Tfrm_xygdj::Edit10Change()
{
    Edit1Change();
    if (const auto birth = personnel::birthDateFromIdCard(Edit10->text())) MaskEdit3->setText(*birth);
}

bool Tfrm_xygdj::Memo1KeyDown(int key)
{
    const bool forward = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down;
    const bool back = key == Qt::Key_Up;
    if (!forward && !back) return false;
    QWidget* target = nullptr;
    if (openMode() == 1) target = forward ? static_cast<QWidget*>(BitBtn5) : MaskEdit2;
    else if (BitBtn1->isEnabled()) target = forward ? static_cast<QWidget*>(BitBtn1) : MaskEdit2;
    if (!target) return false;
    target->setFocus(Qt::OtherFocusReason);
    return true;
}

bool Tfrm_xygdj::chainKeyDown(QWidget* input, int key)
{
    return input == Memo1 && Memo1KeyDown(key);
}
