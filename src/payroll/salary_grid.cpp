#include "payroll/salary_grid.h"

QVector<ui::DBGrid::Column> salaryGridColumns(int ygbhWidth)
{
    static const char* const kColumns[18][2] = {
        {"gzyf", "工资月份"}, {"ygbh", "员工编号"}, {"ygxm", "员工姓名"}, {"jbgz", "基本工资"},
        {"jbf", "加班费"}, {"qqj", "全勤奖"}, {"zwjt", "职务津贴"}, {"qtje", "其它金额"},
        {"kgf", "旷工费"}, {"ylbx", "养老保险"}, {"sybx", "失业保险"}, {"ylx", "医疗保险"},
        {"ks", "扣税"}, {"qtke", "其它扣额"}, {"yfgz", "应发工资"}, {"ykgz", "应扣工资"},
        {"sfgz", "实发工资"}, {"bz", "备注"}};
    QVector<ui::DBGrid::Column> cols;
    for (const auto& c : kColumns) {
        const QString field = QString::fromLatin1(c[0]);
        const int width = field == QLatin1String("gzyf") ? 100
                          : field == QLatin1String("bz") ? 200
                          : field == QLatin1String("ygbh") ? ygbhWidth : -1;
        cols.push_back({field, QString::fromUtf8(c[1]), width});
    }
    return cols;
}
