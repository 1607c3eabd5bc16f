#include "data/U_data.h"
#include "harness.h"
#include "platform/db/error.h"
#include "platform/db/query.h"

namespace {

struct Table {
    const char* name;
    const char* columns;   // "name:TYPE" separated by blanks, in table order
};

// Columns in their fixed order: every insert lists no columns.
const Table kTables[] = {
    {"人事表",
     "bh:TEXT xm:TEXT xb:TEXT sfzh:TEXT csrq:TEXT mz:TEXT hyzk:TEXT zzmm:TEXT jg:TEXT lxdh:TEXT sjhm:TEXT "
     "dzyx:TEXT jtdz:TEXT byyx:TEXT zy:TEXT whcd:TEXT tc:TEXT cjgzsj:TEXT gl:INTEGER zp:BLOB ssbm:TEXT gz:TEXT "
     "zw:TEXT zc:TEXT drsj:TEXT jl:TEXT djrq:TEXT djr:TEXT sflz:TEXT lzrq:TEXT fzrq:TEXT lzfydjr:TEXT"},
    {"应聘信息表",
     "编号:TEXT 姓名:TEXT 性别:TEXT 出生日期:TEXT 民族:TEXT 联系电话:TEXT 电子信箱:TEXT 通信地址:TEXT "
     "毕业院校:TEXT 专业:TEXT 文化程度:TEXT 特长:TEXT 兴趣爱好:TEXT 专业技能:TEXT 工作经历:TEXT"},
    {"考核表",
     "员工编号:TEXT 出勤天数:REAL 请假天数:REAL 迟到次数:REAL 早退次数:REAL 旷工天数:REAL 加班时数:REAL "
     "考核等级:TEXT 考核分值:TEXT 考核人:TEXT 考核月份:TEXT 考核评价:TEXT"},
    {"合同表",
     "合同编号:TEXT 员工编号:TEXT 登记日期:TEXT 合同开始日期:TEXT 合同结束日期:TEXT 合同期限:TEXT "
     "合同期工资:TEXT 状态:TEXT 备注:TEXT"},
    {"部门表", "部门编号:TEXT 部门名称:TEXT"},
    {"工种表", "工种:TEXT"},
    {"职务表", "职务名称:TEXT"},
    {"职称表", "职称名称:TEXT"},
    {"文化程度表", "文化程度:TEXT"},
    {"政治面貌表", "政治面貌:TEXT"},
    {"民族表", "民族:TEXT"},
    {"个人所得税税率表", "级别号:INTEGER 应纳所得税金额下限:REAL 应纳所得税金额上限:REAL 税率:REAL"},
    {"考勤表", "全勤奖:REAL 出勤天数:REAL 迟到早退次数:REAL 月平均工作天数:REAL 几倍:REAL"},
    {"工资模板",
     "员工编号:TEXT 员工姓名:TEXT 基本工资:REAL 全勤奖:REAL 职务津贴:REAL 养老保险:REAL 失业保险:REAL "
     "医疗保险:REAL 扣税级别:INTEGER"},
    {"工资表",
     "gzyf:TEXT ygbh:TEXT ygxm:TEXT jbgz:REAL jbf:REAL qqj:REAL zwjt:REAL qtje:REAL kgf:REAL ylbx:REAL "
     "sybx:REAL ylx:REAL ks:REAL qtke:REAL yfgz:INTEGER ykgz:INTEGER sfgz:INTEGER bz:TEXT"},
    {"操作员信息表", "操作员名称:TEXT 操作员密码:TEXT"},
    {"单位信息表", "单位名称:TEXT 法人:TEXT 创建日期:TEXT 单位电话:TEXT 单位邮箱:TEXT 单位地址:TEXT 单位介绍:TEXT"},
};

using SchemaTest = hrtest::HrTest;

}

TEST_F(SchemaTest, SeventeenStrictTablesWithTheirColumnsInOrder)
{
    QStringList names;
    for (const Table& t : kTables) names << QString::fromUtf8(t.name);
    names.sort();
    QStringList actual = db->rows(QStringLiteral("select name from sqlite_master where type='table' order by name"));
    actual.sort();
    EXPECT_EQ(actual, names);

    for (const Table& t : kTables) {
        const QString table = QString::fromUtf8(t.name);
        const QStringList expected = QString::fromUtf8(t.columns).split(QLatin1Char(' '));
        // name:type, and no declared key
        QStringList cols = db->rows(QStringLiteral("select name || ':' || type, pk from pragma_table_info('%1') order by cid").arg(table));
        QStringList got;
        for (const QString& c : cols) {
            EXPECT_TRUE(c.endsWith(QStringLiteral("|0"))) << c.toStdString();
            got << c.section(QLatin1Char('|'), 0, 0);
        }
        EXPECT_EQ(got, expected) << t.name;
        EXPECT_EQ(db->rows(QStringLiteral("select strict, wr from pragma_table_list('%1')").arg(table)),
                  QStringList{QStringLiteral("1|0")})
            << t.name;
        // Indexes may speed look-ups but never refuse equal keys.
        EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from pragma_index_list('%1') where \"unique\"").arg(table)), "0")
            << t.name;
    }
}

TEST_F(SchemaTest, DateColumnsHoldOnlyRealCalendarDates)
{
    const std::pair<const char*, const char*> dateColumns[] = {
        {"人事表", "csrq"},   {"人事表", "drsj"},         {"人事表", "djrq"},         {"人事表", "lzrq"},
        {"人事表", "fzrq"},   {"合同表", "登记日期"},     {"合同表", "合同开始日期"}, {"合同表", "合同结束日期"},
    };
    for (const auto& [table, column] : dateColumns) {
        const QString t = QString::fromUtf8(table), c = QString::fromUtf8(column);
        for (const char* bad : {"2023-02-30", "2023-2-3", "2023/02/03", "abc", "", "2023-02-03 10:00"}) {
            db::Query& q = Data1->ADOpublic;
            q.close();
            q.setSql(QStringLiteral("insert into %1 (%2) values (:a)").arg(t, c));
            q.setParam("a", db::Value::text(QString::fromUtf8(bad)));
            EXPECT_THROW(q.execSql(), db::Error) << table << "." << column << " " << bad;
        }
        db::Query& q = Data1->ADOpublic;
        q.setSql(QStringLiteral("insert into %1 (%2) values (:a)").arg(t, c));
        q.setParam("a", db::Value::text(QStringLiteral("2024-02-29")));
        EXPECT_EQ(q.execSql(), 1) << table << "." << column;
        q.setParam("a", db::Value());
        EXPECT_EQ(q.execSql(), 1) << table << "." << column;
    }
}

TEST_F(SchemaTest, DataModuleHasItsQueriesAllClosed)
{
    const QStringList expected = {
        "ADOQYbmxx", "ADOQYgzxx", "ADOQYhtlx", "ADOQYhtgl", "ADOQYzcxx", "ADOQYwhcd", "ADOQYzzmm",
        "ADOQYmzxx", "ADOpublic", "ADOQYygxx", "ADOQYkqxx", "ADOQYsl",   "ADOQYkhgl", "ADOQYdwxx",
        "ADOQuery1", "ADOQYgzsz", "ADOQYgzb",  "ADOlogin",  "ADOQYzwxx", "yp",        "gzt"};
    QStringList names;
    for (db::Query* q : Data1->findChildren<db::Query*>(QString(), Qt::FindDirectChildrenOnly)) {
        names << q->name();
        EXPECT_FALSE(q->isOpen()) << q->name().toStdString();
        EXPECT_EQ(q->state(), db::Query::State::Inactive);
        EXPECT_EQ(&q->connection(), &Data1->ADOConnection2);
    }
    EXPECT_EQ(names, expected);
    EXPECT_FALSE(Data1->ADOConnection2.isOpen());
    EXPECT_EQ(Data1->ADOConnection2.path(), db->path());
}
