#include "personnel/U_xygdj.h"
#include "data/session.h"
#include "data/U_data.h"
#include "personnel/employee_rules.h"
#include "platform/db/convert.h"
#include "platform/db/error.h"
#include "platform/diag/log.h"
#include "platform/image/image.h"
#include "platform/ui/controls.h"
#include "platform/ui/errors.h"
#include "platform/ui/modal.h"
#include "platform/ui/rowbind.h"
#include "platform/ui/text.h"
#include <QDate>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

Tfrm_xygdj* frm_xygdj = nullptr;

std::function<void()> Tfrm_xygdj::browseEditvalue;
std::function<ApplicantInputs()> Tfrm_xygdj::applicantInputs;
std::function<void(QObject*)> Tfrm_xygdj::applicantDelete;

namespace {

const char* const kDateMask = "!9999/99/00;1;_";
const char* const kPhoneMask = "9999-99999999;1;_";
const char* const kInitialDate = "1975-01-01";
const char* const kClearedDate = "1999-01-01";

template <class W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

ui::Edit* newEdit(QWidget* parent, const char* name) { return named(new ui::Edit(parent), name); }

ui::ComboBox* newCombo(QWidget* parent, const char* name) { return named(new ui::ComboBox(parent), name); }

ui::MaskEdit* newMaskEdit(QWidget* parent, const char* name, const char* mask, const QString& text)
{
    auto* m = named(new ui::MaskEdit(parent), name);
    m->setEditMask(QString::fromLatin1(mask));
    m->setText(text);
    return m;
}

void addLabeled(QGridLayout* g, int row, int col, const QString& caption, QWidget* input, int span = 1)
{
    auto* l = new QLabel(caption, g->parentWidget());
    l->setBuddy(input);
    g->addWidget(l, row, col * 2);
    g->addWidget(input, row, col * 2 + 1, 1, span);
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

    addLabeled(g1, 0, 0, QStringLiteral("编    号："), Edit1);
    addLabeled(g1, 0, 1, QStringLiteral("姓    名："), Edit2);
    addLabeled(g1, 0, 2, QStringLiteral("性    别："), ComboBox8);
    addLabeled(g1, 1, 0, QStringLiteral("民    族："), ComboBox1);
    addLabeled(g1, 1, 1, QStringLiteral("出生日期："), MaskEdit3);
    addLabeled(g1, 1, 2, QStringLiteral("婚姻状况："), ComboBox7);
    addLabeled(g1, 2, 0, QStringLiteral("文化程度："), ComboBox9);
    addLabeled(g1, 2, 1, QStringLiteral("政治面貌："), ComboBox2);
    addLabeled(g1, 2, 2, QStringLiteral("毕业学校："), Edit6);
    addLabeled(g1, 3, 0, QStringLiteral("专    业："), Edit7);
    addLabeled(g1, 3, 1, QStringLiteral("特    长："), Edit8);
    addLabeled(g1, 3, 2, QStringLiteral("电子信箱："), Edit13);
    addLabeled(g1, 4, 0, QStringLiteral("联系电话："), MaskEdit4);
    addLabeled(g1, 4, 1, QStringLiteral("手    机："), Edit9);
    addLabeled(g1, 4, 2, QStringLiteral("籍    贯："), Edit5);
    addLabeled(g1, 5, 0, QStringLiteral("身份证号："), Edit10, 3);
    addLabeled(g1, 6, 0, QStringLiteral("家庭住址："), Edit12, 6);

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

    addLabeled(g2, 0, 0, QStringLiteral("参加工作时间："), MaskEdit5);
    addLabeled(g2, 0, 1, QStringLiteral("工    种："), ComboBox3);
    addLabeled(g2, 0, 2, QStringLiteral("工    龄："), Edit15);
    addLabeled(g2, 1, 0, QStringLiteral("所属部门："), ComboBox4);
    addLabeled(g2, 1, 1, QStringLiteral("职    务："), ComboBox5);
    addLabeled(g2, 1, 2, QStringLiteral("职    称："), ComboBox6);
    addLabeled(g2, 2, 0, QStringLiteral("登记日期："), MaskEdit2);
    addLabeled(g2, 2, 1, QStringLiteral("登 记 人："), Edit16);
    addLabeled(g2, 2, 2, QStringLiteral("调入时间："), MaskEdit1);
    auto* memoLabel = new QLabel(QStringLiteral("简历："), GroupBox2);
    memoLabel->setBuddy(Memo1);
    g2->addWidget(memoLabel, 3, 0, Qt::AlignTop);
    g2->addWidget(Memo1, 3, 1, 1, 5);
    g2->setRowStretch(3, 1);
    for (int c : {1, 3, 5}) g2->setColumnStretch(c, 1);

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

    // Handlers go on last, so the initial texts above run no rule.
    for (ui::Edit* e : {Edit1, Edit2, Edit5, Edit6, Edit7, Edit8, Edit9, Edit12, Edit13, Edit15, Edit16})
        e->onChange = [this] { Edit1Change(); };
    Edit10->onChange = [this] { Edit10Change(); };
    for (ui::ComboBox* c : {ComboBox1, ComboBox2, ComboBox3, ComboBox4, ComboBox5, ComboBox6, ComboBox7, ComboBox8, ComboBox9})
        c->onChange = [this] { Edit1Change(); };
    for (ui::MaskEdit* m : {MaskEdit1, MaskEdit2, MaskEdit3, MaskEdit4, MaskEdit5})
        m->onChange = [this] { Edit1Change(); };

    BitBtn2->onClick = [this] { BitBtn2Click(); };
    // 保存 closes the dialog with OK whatever its action reported.
    BitBtn1->onClick = [this] {
        ui::guarded(this, [this] { BitBtn1Click(); });
        done(QDialog::Accepted);
    };
    BitBtn5->onClick = [this] { BitBtn5Click(); };
    BitBtn4->onClick = [this] { BitBtn4Click(); };
    BitBtn3->onClick = [this] { close(); };
    Button1->onClick = [this] { Button1Click(); };

    FormCreate();
}

int Tfrm_xygdj::openMode() const { return session().OpenMode; }

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
        // Without a current row there is nothing to copy, and 修改 refuses.
        if (browseEditvalue && hasCurrentRow(Data1->ADOQuery1)) {
            browseEditvalue();
            recordLoaded_ = true;
        }
        BitBtn2->setEnabled(false);
        BitBtn4->setEnabled(false);
        BitBtn5->setEnabled(true);
    } else if (mode == 2) {
        // A failed proposal is reported and leaves 编号 empty; the dialog still opens.
        ui::guarded(this, [this] { BitBtn2Click(); });
        if (applicantInputs) {
            const ApplicantInputs a = applicantInputs();
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
    }
}

void Tfrm_xygdj::FormShow()
{
    const int mode = openMode();
    const QString today = QDate::currentDate().toString(QLatin1String(ui::kShortDateFormat));
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
    db::Query& q = Data1->ADOpublic;
    for (const List& l : lists) ui::addItemsFrom(l.combo, q, QString::fromUtf8(l.sql), QString::fromUtf8(l.column));
}

void Tfrm_xygdj::FormClose()
{
    session().OpenMode = 0;
}

void Tfrm_xygdj::BitBtn2Click()
{
    Edit1->setText(personnel::proposeKey(Data1->ADOpublic, QStringLiteral("人事表"), QStringLiteral("bh"),
                                         QStringLiteral("mr")));
}

db::Value Tfrm_xygdj::photoValue() const
{
    return db::Value::blob(picture_.isNull() ? QByteArray() : img::encodeBmp(picture_));
}

void Tfrm_xygdj::BitBtn1Click()
{
    // Outside the guard: a bad 工龄 is the conversion's own error, and nothing is written.
    const int64_t gl = db::toInteger(Edit15->text());
    try {
        auto text = [](const QString& s) { return db::Value::text(ui::trim(s)); };
        auto date = [](const QString& s) { return db::Value::date(db::toDate(s)); };
        db::Query& q = Data1->ADOQYygxx;
        q.close();
        q.setSql(QStringLiteral(
            "insert into 人事表 (bh, xm, xb, sfzh, csrq, mz, hyzk, zzmm, jg, lxdh, sjhm, dzyx, jtdz, byyx, zy, whcd, tc, "
            "cjgzsj, gl, zp, ssbm, gz, zw, zc, drsj, jl, djrq, djr, sflz, lzrq, fzrq, lzfydjr) "
            "select :a,:b,:c,:d,:e,:f,:g,:h,:i,:j,:k,:l,:m,:n,:o,:p,:q,:r,:s,:t,:u,:v,:w,:x,:y,:z,:aa,:ab,:ac,:ad,:ae,:af "
            // The proposal reserves nothing: another copy may have saved this number since.
            "where not exists (select 1 from 人事表 where bh = :a)"));
        q.setParam(QStringLiteral("a"), text(Edit1->text()));
        q.setParam(QStringLiteral("b"), text(Edit2->text()));
        q.setParam(QStringLiteral("c"), text(ComboBox8->text()));
        q.setParam(QStringLiteral("d"), text(Edit10->text()));
        q.setParam(QStringLiteral("e"), date(MaskEdit3->text()));
        q.setParam(QStringLiteral("f"), text(ComboBox1->text()));
        q.setParam(QStringLiteral("g"), text(ComboBox7->text()));
        q.setParam(QStringLiteral("h"), text(ComboBox2->text()));
        q.setParam(QStringLiteral("i"), text(Edit5->text()));
        q.setParam(QStringLiteral("j"), db::Value::text(MaskEdit4->text()));
        q.setParam(QStringLiteral("k"), text(Edit9->text()));
        q.setParam(QStringLiteral("l"), text(Edit13->text()));
        q.setParam(QStringLiteral("m"), text(Edit12->text()));
        q.setParam(QStringLiteral("n"), text(Edit6->text()));
        q.setParam(QStringLiteral("o"), text(Edit7->text()));
        q.setParam(QStringLiteral("p"), text(ComboBox9->text()));
        q.setParam(QStringLiteral("q"), text(Edit8->text()));
        q.setParam(QStringLiteral("r"), text(MaskEdit5->text()));
        q.setParam(QStringLiteral("s"), db::Value::integer(gl));
        q.setParam(QStringLiteral("t"), photoValue());
        q.setParam(QStringLiteral("u"), text(ComboBox4->text()));
        q.setParam(QStringLiteral("v"), text(ComboBox3->text()));
        q.setParam(QStringLiteral("w"), text(ComboBox5->text()));
        q.setParam(QStringLiteral("x"), text(ComboBox6->text()));
        q.setParam(QStringLiteral("y"), date(MaskEdit1->text()));
        q.setParam(QStringLiteral("z"), db::Value::text(Memo1->text()));
        q.setParam(QStringLiteral("aa"), date(MaskEdit2->text()));
        q.setParam(QStringLiteral("ab"), text(Edit16->text()));
        q.setParam(QStringLiteral("ac"), db::Value::text(QStringLiteral("否")));
        q.setParam(QStringLiteral("ad"), db::Value::null());
        q.setParam(QStringLiteral("ae"), db::Value::null());
        q.setParam(QStringLiteral("af"), db::Value::null());
        if (q.execSql() == 0) {
            ui::info(QStringLiteral("编号%1已经存在，员工信息没有保存，请重新添加！").arg(ui::trim(Edit1->text())), this);
            return;
        }
        editclear();
        ui::info(QStringLiteral("保存成功！"), this);
        if (openMode() == 2 && applicantDelete) applicantDelete(BitBtn1);
    } catch (const std::exception&) {
        ui::failed(QStringLiteral("员工登记保存"), QStringLiteral("系统出错！"), this);
    }
}

void Tfrm_xygdj::BitBtn5Click()
{
    if (!ui::ask(QStringLiteral("确定要修改吗？"), this)) return;
    db::Query& q = Data1->ADOQuery1;
    try {
        // With no row of the browse behind it, an edit would append one.
        if (!recordLoaded_ || !hasCurrentRow(q)) throw db::Error(QStringLiteral("no current row"));
        const std::pair<const char*, QWidget*> fields[] = {
            {"bh", Edit1}, {"xm", Edit2}, {"mz", ComboBox1}, {"xb", ComboBox8}, {"csrq", MaskEdit3},
            {"hyzk", ComboBox7}, {"whcd", ComboBox9}, {"zzmm", ComboBox2}, {"byyx", Edit6}, {"zy", Edit7},
            {"tc", Edit8}, {"dzyx", Edit13}, {"lxdh", MaskEdit4}, {"sjhm", Edit9}, {"jg", Edit5},
            {"sfzh", Edit10}, {"jtdz", Edit12}, {"cjgzsj", MaskEdit5}, {"gz", ComboBox3}, {"gl", Edit15},
            {"ssbm", ComboBox4}, {"zw", ComboBox5}, {"zc", ComboBox6}, {"djrq", MaskEdit2}, {"djr", Edit16},
            {"drsj", MaskEdit1}, {"jl", Memo1},
        };
        // A photo the operator did not replace goes back byte for byte, even
        // one that could not be shown.
        const db::Value zp = photoReplaced_ ? photoValue() : q.field(QStringLiteral("zp"));
        ui::FieldValues values;
        for (const auto& [field, w] : fields)
            values.append({QString::fromLatin1(field), db::Value::text(ui::trim(ui::controlText(w)))});
        values.append({QStringLiteral("zp"), zp});
        // Nothing of a failed update stays pending on the browse's row.
        ui::writeRow(q, values);
        ui::info(QStringLiteral("修改成功"), this);
    } catch (const std::exception&) {
        ui::failed(QStringLiteral("员工信息修改"), QStringLiteral("修改失败"), this);
    }
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

void Tfrm_xygdj::editclear()
{
    for (ui::Edit* e : {Edit1, Edit2, Edit5, Edit6, Edit7, Edit8, Edit9, Edit10, Edit12, Edit13})
        e->setText(QString());
    MaskEdit4->setText(QString());
    Edit15->setText(QString());
    Edit16->setText(QString());
    for (ui::ComboBox* c : {ComboBox1, ComboBox2, ComboBox3, ComboBox4, ComboBox5, ComboBox6, ComboBox7, ComboBox8, ComboBox9})
        c->setText(QString());
    MaskEdit1->setText(QString::fromLatin1(kClearedDate));
    MaskEdit2->setText(QString::fromLatin1(kClearedDate));
    Memo1->setText(QString());
}

void Tfrm_xygdj::Edit1Change()
{
    // Texts as typed: blanks count; a masked input always holds its separators.
    const QString texts[] = {
        Edit1->text(), Edit2->text(), Edit5->text(), Edit6->text(), Edit7->text(), Edit8->text(),
        Edit9->text(), Edit10->text(), Edit12->text(), Edit13->text(), Edit15->text(), Edit16->text(),
        ComboBox1->text(), ComboBox2->text(), ComboBox3->text(), ComboBox4->text(), ComboBox5->text(),
        ComboBox6->text(), ComboBox7->text(), ComboBox8->text(), ComboBox9->text(),
        MaskEdit1->text(), MaskEdit2->text(), MaskEdit3->text(), MaskEdit4->text(), MaskEdit5->text(),
    };
    bool filled = true;
    for (const QString& t : texts) filled = filled && !t.isEmpty();
    BitBtn1->setEnabled(filled);
}

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
