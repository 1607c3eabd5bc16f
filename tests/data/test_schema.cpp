#include "data/U_data.h"
#include "harness.h"
#include "platform/db/error.h"
#include "platform/db/query.h"

namespace {

// Every table with its columns in their fixed order (inserts list no columns); TEXT unless marked.
const char* const kTables[] = {
    "人事表: bh xm xb sfzh csrq mz hyzk zzmm jg lxdh sjhm dzyx jtdz byyx zy whcd tc cjgzsj gl:INTEGER zp:BLOB ssbm gz zw "
    "zc drsj jl djrq djr sflz lzrq fzrq lzfydjr",
    "应聘信息表: 编号 姓名 性别 出生日期 民族 联系电话 电子信箱 通信地址 毕业院校 专业 文化程度 特长 兴趣爱好 专业技能 工作经历",
    "考核表: 员工编号 出勤天数:REAL 请假天数:REAL 迟到次数:REAL 早退次数:REAL 旷工天数:REAL 加班时数:REAL 考核等级 考核分值 "
    "考核人 考核月份 考核评价",
    "合同表: 合同编号 员工编号 登记日期 合同开始日期 合同结束日期 合同期限 合同期工资 状态 备注",
    "部门表: 部门编号 部门名称", "工种表: 工种", "职务表: 职务名称", "职称表: 职称名称", "文化程度表: 文化程度", "政治面貌表: 政治面貌",
    "民族表: 民族", "个人所得税税率表: 级别号:INTEGER 应纳所得税金额下限:REAL 应纳所得税金额上限:REAL 税率:REAL",
    "考勤表: 全勤奖:REAL 出勤天数:REAL 迟到早退次数:REAL 月平均工作天数:REAL 几倍:REAL",
    "工资模板: 员工编号 员工姓名 基本工资:REAL 全勤奖:REAL 职务津贴:REAL 养老保险:REAL 失业保险:REAL 医疗保险:REAL 扣税级别:INTEGER",
    "工资表: gzyf ygbh ygxm jbgz:REAL jbf:REAL qqj:REAL zwjt:REAL qtje:REAL kgf:REAL ylbx:REAL sybx:REAL ylx:REAL ks:REAL "
    "qtke:REAL yfgz:INTEGER ykgz:INTEGER sfgz:INTEGER bz",
    "操作员信息表: 操作员名称 操作员密码", "单位信息表: 单位名称 法人 创建日期 单位电话 单位邮箱 单位地址 单位介绍",
};

using SchemaTest = hrtest::HrTest;

}

TEST_F(SchemaTest, SeventeenStrictTablesWithTheirColumnsInOrder)
{
    QStringList want;
    for (const char* t : kTables) want << QString::fromUtf8(t);
    QStringList got = db->rows("select m.name || ': ' || (select group_concat(c, ' ') from (select p.name || iif(p.type = 'TEXT', "
                               "'', ':' || p.type) as c from pragma_table_info(m.name) p order by p.cid)) "
                               "from sqlite_master m where m.type = 'table'");
    want.sort();
    got.sort();
    EXPECT_EQ(got.join('\n').toStdString(), want.join('\n').toStdString());
    // No declared key and no unique index (equal keys stay possible); STRICT, with a rowid.
    EXPECT_EQ(db->rows("select m.name from sqlite_master m, pragma_table_info(m.name) p where m.type = 'table' and p.pk "
                       "union all select m.name from sqlite_master m, pragma_index_list(m.name) i "
                       "where m.type = 'table' and i.\"unique\" union all select name from pragma_table_list "
                       "where schema = 'main' and name not like 'sqlite%' and (not strict or wr)").join(' ').toStdString(), "");
}

TEST_F(SchemaTest, DateColumnsHoldOnlyRealCalendarDates)
{
    db::Query& q = Data1->ADOpublic;
    for (const char* column : {"人事表.csrq", "人事表.drsj", "人事表.djrq", "人事表.lzrq", "人事表.fzrq", "合同表.登记日期",
                               "合同表.合同开始日期", "合同表.合同结束日期"}) {
        const QStringList tc = QString::fromUtf8(column).split('.');
        q.setSql(QStringLiteral("insert into %1 (%2) values (:a)").arg(tc[0], tc[1]));
        for (const char* bad : {"2023-02-30", "2023-2-3", "2023/02/03", "abc", "", "2023-02-03 10:00"}) {
            q.setParam("a", db::Value::text(QString::fromUtf8(bad)));
            EXPECT_THROW(q.execSql(), db::Error) << column << " " << bad;
        }
        for (const db::Value& good : {db::Value::text("2024-02-29"), db::Value()}) {
            q.setParam("a", good);
            EXPECT_EQ(q.execSql(), 1) << column;
        }
    }
}

TEST_F(SchemaTest, DataModuleHasItsQueriesAllClosed)
{
    QStringList names;
    for (db::Query* q : Data1->findChildren<db::Query*>(QString(), Qt::FindDirectChildrenOnly)) {
        names << q->name();
        EXPECT_TRUE(!q->isOpen() && q->state() == db::Query::State::Inactive && &q->connection() == &Data1->ADOConnection2)
            << q->name().toStdString();
    }
    EXPECT_EQ(names.join(' ').toStdString(), "ADOQYbmxx ADOQYgzxx ADOQYhtlx ADOQYhtgl ADOQYzcxx ADOQYwhcd ADOQYzzmm ADOQYmzxx ADOpublic ADOQYygxx "
                               "ADOQYkqxx ADOQYsl ADOQYkhgl ADOQYdwxx ADOQuery1 ADOQYgzsz ADOQYgzb ADOlogin ADOQYzwxx yp gzt");
    EXPECT_FALSE(Data1->ADOConnection2.isOpen());
    EXPECT_EQ(Data1->ADOConnection2.path(), db->path());
}
