#include "personnel/U_yp.h"
#include "data/session.h"
#include "data/U_data.h"
#include "platform/db/query.h"
#include "personnel/U_xygdj.h"
#include "personnel/employee_rules.h"
#include "personnel/record_layout.h"
#include "platform/db/error.h"
#include "platform/diag/log.h"
#include "platform/ui/controls.h"
#include "platform/ui/errors.h"
#include "platform/ui/modal.h"
#include "platform/ui/rowbind.h"
#include "platform/text/text.h"
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

Tfrm_yp* frm_yp = nullptr;

namespace {

const char* const kInitialDate = "1975-01-01";

using personnel::named;

}

Tfrm_yp::Tfrm_yp(QWidget* owner) : ui::Form(owner)
{
    setObjectName(QStringLiteral("frm_yp"));
    setWindowTitle(QStringLiteral("应聘人信息"));

    auto* g = new QGridLayout;
    g->setHorizontalSpacing(6);
    g->setVerticalSpacing(8);
    Edit1 = named(new ui::Edit(this), "Edit1");
    Edit1->setReadOnly(true);
    Edit2 = named(new ui::Edit(this), "Edit2");
    ComboBox2 = named(new ui::ComboBox(this), "ComboBox2");
    ComboBox2->addItems({QStringLiteral("男"), QStringLiteral("女")});
    ComboBox1 = named(new ui::ComboBox(this), "ComboBox1");
    MaskEdit1 = named(new ui::MaskEdit(this), "MaskEdit1");
    MaskEdit1->setEditMask(QStringLiteral("!9999/99/00;1;_"));
    MaskEdit1->setText(QString::fromLatin1(kInitialDate));
    Edit6 = named(new ui::Edit(this), "Edit6");
    Edit7 = named(new ui::Edit(this), "Edit7");
    Edit8 = named(new ui::Edit(this), "Edit8");
    Edit9 = named(new ui::Edit(this), "Edit9");
    Edit10 = named(new ui::Edit(this), "Edit10");
    Edit11 = named(new ui::Edit(this), "Edit11");
    Edit12 = named(new ui::Edit(this), "Edit12");
    ComboBox3 = named(new ui::ComboBox(this), "ComboBox3");
    Memo1 = named(new ui::Memo(this), "Memo1");
    Memo2 = named(new ui::Memo(this), "Memo2");
    for (ui::Memo* m : {Memo1, Memo2}) {
        m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        m->setMinimumHeight(72);
    }

    personnel::placeInputs(g, {
        {0, 0, "编    号：", Edit1},    {0, 1, "姓    名：", Edit2},     {0, 2, "性    别：", ComboBox2},
        {1, 0, "民    族：", ComboBox1}, {1, 1, "出生日期：", MaskEdit1}, {1, 2, "联系电话：", Edit6},
        {2, 0, "电子信箱：", Edit7},    {2, 1, "特    长：", Edit8},     {2, 2, "兴趣爱好：", Edit9},
        {3, 0, "通信地址：", Edit10, 5},
        {4, 0, "毕业院校：", Edit11},   {4, 1, "专    业：", Edit12},    {4, 2, "文化程度：", ComboBox3},
    }, Qt::AlignRight | Qt::AlignVCenter);
    for (int c : {1, 3, 5}) g->setColumnStretch(c, 1);
    auto addMemo = [g](int row, const QString& caption, ui::Memo* m) {
        auto* l = new QLabel(caption, g->parentWidget());
        l->setBuddy(m);
        g->addWidget(l, row, 0, Qt::AlignRight | Qt::AlignTop);
        g->addWidget(m, row, 1, 1, 5);
        g->setRowStretch(row, 1);
    };

    // The button row: each layout shows its buttons in the first places, 退出 last.
    BitBtn1 = named(new ui::Button(QStringLiteral("添加"), this), "BitBtn1");
    BitBtn3 = named(new ui::Button(QStringLiteral("修改"), this), "BitBtn3");
    BitBtn2 = named(new ui::Button(QStringLiteral("保存"), this), "BitBtn2");
    BitBtn7 = named(new ui::Button(QStringLiteral("聘用"), this), "BitBtn7");
    BitBtn4 = named(new ui::Button(QStringLiteral("取消"), this), "BitBtn4");
    BitBtn6 = named(new ui::Button(QStringLiteral("删除"), this), "BitBtn6");
    BitBtn5 = named(new ui::Button(QStringLiteral("退出"), this), "BitBtn5");
    auto* bar = new QHBoxLayout;
    bar->setSpacing(24);
    bar->addStretch(1);
    for (ui::Button* b : {BitBtn1, BitBtn3, BitBtn2, BitBtn7, BitBtn4, BitBtn6, BitBtn5}) {
        b->setMinimumWidth(84);
        bar->addWidget(b);
    }
    bar->addStretch(1);
    for (ui::Button* b : {BitBtn3, BitBtn7, BitBtn6}) b->hide();
    BitBtn2->setEnabled(false);

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(12, 12, 12, 10);
    top->addLayout(g);
    addMemo(5, QStringLiteral("专业技能："), Memo1);
    addMemo(6, QStringLiteral("工作经历："), Memo2);
    top->addSpacing(6);
    top->addLayout(bar);

    const QList<QWidget*> inputs = {Edit1, Edit2, ComboBox2, ComboBox1, MaskEdit1, Edit6, Edit7, Edit8,
                                    Edit9, Edit10, Edit11, Edit12, ComboBox3, Memo1, Memo2};
    const QList<QWidget*> tabs = inputs + QList<QWidget*>{BitBtn1, BitBtn3, BitBtn2, BitBtn7, BitBtn4, BitBtn6, BitBtn5};
    for (int i = 1; i < tabs.size(); ++i) setTabOrder(tabs[i - 1], tabs[i]);
    setFocusChain(inputs);
    for (ui::ComboBox* c : {ComboBox2, ComboBox1, ComboBox3}) setUpKey(c, true);
    setFocusKeys(Memo2, Keys::None);   // 工作经历 moves by its own rule (Memo2KeyDown)

    using K = personnel::RecordField::Kind;
    fields_ = {
        {"编号", QStringLiteral("编号"), Edit1},
        {"姓名", QStringLiteral("姓名"), Edit2},
        {"性别", QStringLiteral("性别"), ComboBox2},
        {"出生日期", QStringLiteral("出生日期"), MaskEdit1, K::DateText, false, true, QString::fromLatin1(kInitialDate)},
        {"民族", QStringLiteral("民族"), ComboBox1},
        {"联系电话", QStringLiteral("联系电话"), Edit6},
        {"电子信箱", QStringLiteral("电子信箱"), Edit7},
        {"通信地址", QStringLiteral("通信地址"), Edit10},
        {"毕业院校", QStringLiteral("毕业院校"), Edit11},
        {"专业", QStringLiteral("专业"), Edit12},
        {"文化程度", QStringLiteral("文化程度"), ComboBox3, K::Text, false},
        {"特长", QStringLiteral("特长"), Edit8},
        {"兴趣爱好", QStringLiteral("兴趣爱好"), Edit9},
        {"专业技能", QStringLiteral("专业技能"), Memo1},
        {"工作经历", QStringLiteral("工作经历"), Memo2, K::Text, false},
    };

    // Handlers go on last, so the initial texts above run no rule. The inputs
    // of the rule watch every change, the two combo boxes the operator's, so
    // emptying one disables 保存 at once. The birth date refuses a date that
    // does not exist when it is left.
    personnel::watchInputs(fields_, [this] { Edit1Change(); });

    BitBtn1->onClick = [this] { BitBtn1Click(); };
    BitBtn2->onClick = [this] { BitBtn2Click(); };
    BitBtn4->onClick = [this] { BitBtn4Click(); };
    BitBtn5->onClick = [this] { close(); };
    BitBtn3->onClick = [this] { BitBtn3Click(); };
    BitBtn6->onClick = [this] { BitBtn6Click(); };
    BitBtn7->onClick = [this] { BitBtn7Click(); };

    resize(640, 470);
    ui::centerOnScreen(this);
    FormCreate();
}

void Tfrm_yp::FormCreate()
{
    db::Query& q = Data1->yp;
    if (session().OpenMode != 1 || !q.isOpen() || q.recNo() < 0) return;
    rowid_ = q.rowId(q.recNo());
    editvalue();
    loaded_ = true;
    for (ui::Button* b : {BitBtn1, BitBtn2, BitBtn4}) b->hide();
    for (ui::Button* b : {BitBtn3, BitBtn7, BitBtn6}) b->show();
}

void Tfrm_yp::FormShow()
{
    if (session().OpenMode == 0)
        MaskEdit1->setText(QDate::currentDate().toString(QLatin1String(text::kShortDateFormat)));
    auto fill = [](db::Query& q, const QString& table, const QString& column, ui::ComboBox* combo) {
        ui::addItemsFrom(combo, q, QStringLiteral("select * from ") + table, column);
    };
    fill(Data1->ADOQYmzxx, QStringLiteral("民族表"), QStringLiteral("民族"), ComboBox1);
    fill(Data1->ADOQYwhcd, QStringLiteral("文化程度表"), QStringLiteral("文化程度"), ComboBox3);
}

void Tfrm_yp::editvalue() { personnel::loadRow(fields_, Data1->yp); }

void Tfrm_yp::editclear()
{
    personnel::clearInputs(fields_);
    ComboBox3->clearItems();   // 文化程度 loses its list too
}

void Tfrm_yp::BitBtn1Click()
{
    Edit1->setText(personnel::proposeKey(Data1->ADOConnection2, QStringLiteral("应聘信息表"), QStringLiteral("编号"),
                                         QStringLiteral("yp")));
}

void Tfrm_yp::BitBtn2Click()
{
    if (!personnel::acceptInputs(fields_, this)) return;
    try {
        QStringList columns, markers;
        for (int i = 0; i < fields_.size(); ++i) {
            columns << QString::fromUtf8(fields_[i].column);
            markers << QStringLiteral(":") + QChar(u'a' + i);
        }
        db::Query& q = Data1->ADOQuery1;
        q.close();
        q.setSql(QStringLiteral("insert into 应聘信息表 (%1) select %2 "
                                // The proposal reserves nothing: another copy may have saved this number since.
                                "where not exists (select 1 from 应聘信息表 where 编号 = :a)")
                     .arg(columns.join(QLatin1Char(',')), markers.join(QLatin1Char(','))));
        for (int i = 0; i < fields_.size(); ++i) q.setParam(QChar(u'a' + i), personnel::insertValue(fields_[i]));
        if (q.execSql() == 0) {
            ui::info(QStringLiteral("编号%1已经存在，应聘信息没有保存，请重新添加！").arg(text::trim(Edit1->text())), this);
            return;
        }
    } catch (const std::exception&) {
        ui::failed(QStringLiteral("应聘信息表保存"), QStringLiteral("保存失败"), this);
        return;
    }
    ui::info(QStringLiteral("保存成功"), this);
    editclear();
    close();
}

void Tfrm_yp::locateLoaded()
{
    db::Query& q = Data1->yp;
    if (loaded_ && q.isOpen()) {
        for (int r = 0; r < q.recordCount(); ++r) {
            if (q.rowId(r) == rowid_) {
                q.setRecNo(r);
                return;
            }
        }
    }
    throw db::Error(QStringLiteral("没有找到应聘人“%1”的记录：它已被删除。").arg(Edit1->text()));
}

void Tfrm_yp::removeLoaded()
{
    locateLoaded();
    Data1->yp.deleteRow();
}

void Tfrm_yp::BitBtn3Click()
{
    if (!personnel::acceptInputs(fields_, this)) return;
    db::Query& q = Data1->yp;
    try {
        locateLoaded();
        ui::FieldValues values;
        for (const personnel::RecordField& f : fields_)
            values.append({QString::fromUtf8(f.column), personnel::updateValue(f)});
        ui::writeRow(q, values);
    } catch (const std::exception&) {
        ui::failed(QStringLiteral("应聘信息表修改"), QStringLiteral("修改失败"), this);
        return;
    }
    ui::info(QStringLiteral("修改成功"), this);
    editclear();
    done(Changed);
}

void Tfrm_yp::BitBtn6Click()
{
    if (!ui::ask(QStringLiteral("真的要删除吗？"), this)) return;
    removeLoaded();
    // Shown no longer: the buttons would act on whichever row is current now.
    close();
}

void Tfrm_yp::BitBtn7Click()
{
    session().OpenMode = 2;
    const ApplicantInputs applicant{Edit2->text(),     ComboBox2->text(), ComboBox1->text(),
                                    ComboBox3->text(), MaskEdit1->text(), Edit7->text(),
                                    Edit11->text(),    Edit12->text(),    Edit8->text()};
    // Exactly the hired applicant goes, together with the employee's save:
    // when it cannot (another copy changed or removed it), nothing is saved.
    ui::guarded(this, [&] { ui::openDialog(frm_xygdj, this, applicant, [this] { removeLoaded(); }); });
    close();
}

void Tfrm_yp::Edit1Change() { BitBtn2->setEnabled(personnel::allFilled(fields_)); }

bool Tfrm_yp::Memo2KeyDown(int key)
{
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    QWidget* target = nullptr;
    if (loaded_) {
        if (enter || key == Qt::Key_Down) target = BitBtn3;
        else if (key == Qt::Key_Up) target = Memo1;
    } else if (BitBtn2->isEnabled()) {
        // Enter stays a new line here.
        if (key == Qt::Key_Down) target = BitBtn2;
        else if (key == Qt::Key_Up) target = Memo1;
    }
    if (!target) return false;
    target->setFocus(Qt::OtherFocusReason);
    return true;
}

bool Tfrm_yp::chainKeyDown(QWidget* input, int key)
{
    return input == Memo2 && Memo2KeyDown(key);
}
