#include "payroll/salary_month.h"
#include "payroll/payroll_calc.h"
#include "platform/db/convert.h"
#include "platform/db/query.h"
#include "platform/diag/log.h"
#include "platform/text/text.h"
#include <QHash>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace payroll {

using db::Value;

namespace {

// A stored amount as a number; a text is read with the one strict parser.
Num numberOf(const Value& v)
{
    switch (v.kind()) {
    case Value::Kind::Null: return std::nullopt;
    case Value::Kind::Integer: return double(v.asInteger());
    case Value::Kind::Real: return v.asReal();
    case Value::Kind::Text: return db::toNumber(v.asText());
    default: return v.toReal();   // throws for what is no number
    }
}

// The same for a cell, reading a plain number without making a Value.
Num numberAt(const db::Rows& rows, int row, int col)
{
    double x;
    if (rows.numberAt(row, col, &x)) return x;
    return numberOf(rows.value(row, col));
}

Value valueOf(Num n) { return n ? Value::real(*n) : Value::null(); }

const QString kSelectMonth = QStringLiteral("select * from 工资表 where gzyf=:aaa");

}

namespace {

// What a month's run reads before it writes: the month's assessment records
// (A), the rule (R), and every template and bracket, each found by its key as
// the per-employee look-ups would find it (the first in stored order).
struct MonthInputs {
    db::Rows assessments;
    AttendanceRule rule;
    db::Rows templates;
    QHash<QString, int> templateRow;   // 员工编号 -> its first template
    QHash<int64_t, Value> rate;        // 级别号 -> the first bracket's 税率
    int aBh, aDays, aLate, aEarly, aAbsent, aOvertime;
    bool triggered = false;            // 工资表 has triggers
    int tCol[8];   // 员工姓名, 基本工资, 全勤奖, 职务津贴, 养老保险, 失业保险, 医疗保险, 扣税级别
};

MonthInputs loadInputs(db::Connection& conn, const QString& month)
{
    MonthInputs in;
    in.assessments = db::select(conn, QStringLiteral("select 员工编号, 出勤天数, 迟到次数, 早退次数, 旷工天数, 加班时数 "
                                                     "from 考核表 where 考核月份=:aa"),
                                {{"aa", Value::text(month)}});
    const db::Rows& A = in.assessments;
    in.aBh = A.index(QStringLiteral("员工编号"));
    in.aDays = A.index(QStringLiteral("出勤天数"));
    in.aLate = A.index(QStringLiteral("迟到次数"));
    in.aEarly = A.index(QStringLiteral("早退次数"));
    in.aAbsent = A.index(QStringLiteral("旷工天数"));
    in.aOvertime = A.index(QStringLiteral("加班时数"));

    const db::Rows R = db::select(conn, QStringLiteral("select * from 考勤表"));
    in.rule = {numberOf(R.first(QStringLiteral("出勤天数"))), numberOf(R.first(QStringLiteral("迟到早退次数"))),
               numberOf(R.first(QStringLiteral("月平均工作天数"))), numberOf(R.first(QStringLiteral("几倍")))};

    // One read of each table instead of two look-ups an employee. The keys
    // are TEXT and INTEGER columns of strict tables: equal as the database
    // compares them exactly when equal here; Null matches nothing.
    in.templates = db::select(conn, QStringLiteral("select 员工编号, 员工姓名, 基本工资, 全勤奖, 职务津贴, 养老保险, 失业保险, "
                                                   "医疗保险, 扣税级别 from 工资模板"));
    const db::Rows& T = in.templates;
    static const char* const kTemplateCols[] = {"员工姓名", "基本工资", "全勤奖", "职务津贴",
                                                "养老保险", "失业保险", "医疗保险", "扣税级别"};
    for (int k = 0; k < 8; ++k) in.tCol[k] = T.index(QString::fromUtf8(kTemplateCols[k]));
    const int tBh = T.index(QStringLiteral("员工编号"));
    in.templateRow.reserve(T.count());
    // insert() keeps the last: walk back so that the first in stored order wins.
    for (int row = T.count() - 1; row >= 0; --row) {
        const Value bh = T.value(row, tBh);
        if (bh.kind() == Value::Kind::Text) in.templateRow.insert(bh.asText(), row);
    }

    const db::Rows S = db::select(conn, QStringLiteral("select 级别号, 税率 from 个人所得税税率表"));
    for (int row = S.count() - 1; row >= 0; --row) {
        const Value level = S.value(row, 0);
        if (level.kind() == Value::Kind::Integer) in.rate.insert(level.asInteger(), S.value(row, 1));
    }
    in.triggered = !db::select(conn, QStringLiteral("select 1 from sqlite_master where type = 'trigger' and tbl_name = '工资表' "
                                                    "union all select 1 from sqlite_temp_master where type = 'trigger' "
                                                    "and tbl_name = '工资表'")).isEmpty();
    return in;
}

// The values of one employee's salary row, as the formulas give them.
struct RowValues {
    Value ygbh, ygxm, jbgz, jbf, qqj, zwjt, kgf, ylbx, sybx, ylx, ks;
};

// Throws CalcError (or db::Error for a stored value that is no number) when
// the row cannot be made.
RowValues computeRow(const MonthInputs& in, int row)
{
    const db::Rows& A = in.assessments;
    const Value bh = A.value(row, in.aBh);
    const auto t = bh.kind() == Value::Kind::Text ? in.templateRow.constFind(bh.asText()) : in.templateRow.constEnd();
    const bool hasTemplate = t != in.templateRow.constEnd();
    auto templateNumber = [&](int k) -> Num { return hasTemplate ? numberAt(in.templates, *t, in.tCol[k]) : std::nullopt; };
    auto templateValue = [&](int k) { return hasTemplate && in.tCol[k] >= 0 ? in.templates.value(*t, in.tCol[k]) : Value(); };

    const Value level = templateValue(7);
    Num taxRate;
    if (level.kind() == Value::Kind::Integer) {
        const auto r = in.rate.constFind(level.asInteger());
        if (r != in.rate.constEnd()) taxRate = numberOf(*r);
    }
    const Assessment a{numberAt(A, row, in.aDays), numberAt(A, row, in.aLate), numberAt(A, row, in.aEarly),
                       numberAt(A, row, in.aAbsent), numberAt(A, row, in.aOvertime)};
    const SalaryTemplate tpl{templateNumber(1), templateNumber(2), templateNumber(3),
                             templateNumber(4), templateNumber(5), templateNumber(6)};
    const Amounts m = computeAmounts(a, tpl, in.rule, taxRate);
    return {bh, templateValue(0), valueOf(tpl.basic), valueOf(m.overtimePay), valueOf(m.bonus), valueOf(tpl.allowance),
            valueOf(m.absenceDeduction), valueOf(m.pension), valueOf(m.unemployment), valueOf(m.medical), valueOf(m.tax)};
}

// The insert of one salary row; the month, the other amounts and the remark
// are bound once for the whole run.
class RowInsert {
public:
    RowInsert(db::Connection& conn, const Value& month, double qtje, double qtke, const Value& bz)
        : c_(conn, QStringLiteral("insert into 工资表 (gzyf, ygbh, ygxm, jbgz, jbf, qqj, zwjt, qtje, kgf, ylbx, sybx, ylx, ks, "
                                  "qtke, bz) values (:gzyf, :ygbh, :ygxm, :jbgz, :jbf, :qqj, :zwjt, :qtje, :kgf, :ylbx, "
                                  ":sybx, :ylx, :ks, :qtke, :bz)"))
    {
        c_.bind(c_.index(u"gzyf"_qs), month);
        c_.bind(c_.index(u"qtje"_qs), Value::real(qtje));
        c_.bind(c_.index(u"qtke"_qs), Value::real(qtke));
        c_.bind(c_.index(u"bz"_qs), bz);
        static const QString kNames[11] = {u"ygbh"_qs, u"ygxm"_qs, u"jbgz"_qs, u"jbf"_qs, u"qqj"_qs, u"zwjt"_qs,
                                           u"kgf"_qs,  u"ylbx"_qs, u"sybx"_qs, u"ylx"_qs, u"ks"_qs};
        for (int k = 0; k < 11; ++k) at_[k] = c_.index(kNames[k]);
    }
    void insert(const RowValues& v)
    {
        const Value* values[11] = {&v.ygbh, &v.ygxm, &v.jbgz, &v.jbf,  &v.qqj, &v.zwjt,
                                   &v.kgf,  &v.ylbx, &v.sybx, &v.ylx, &v.ks};
        for (int k = 0; k < 11; ++k) c_.bind(at_[k], *values[k]);
        c_.run();
    }

private:
    db::Command c_;
    int at_[11];
};


}

GenerateResult generateMonth(db::Connection& conn, const QString& month, const QString& otherAmount,
                             const QString& otherDeduction, const QString& remark,
                             const std::function<void(const QString& cause)>& onFailure)
{
    GenerateResult res;
    if (month.isEmpty()) {
        res.status = GenerateStatus::NoMonth;
        return res;
    }
    db::Transaction tx(conn);
    const Value month_ = Value::text(text::trim(month));
    if (!db::select(conn, kSelectMonth, {{"aaa", month_}}).isEmpty()) {
        res.status = GenerateStatus::AlreadyGenerated;
        return res;
    }
    // The same two amounts go into every row: read once, so that a text that
    // is no number fails the run once instead of every employee in turn.
    const std::optional<double> qtje = db::parseNumber(otherAmount);
    const std::optional<double> qtke = db::parseNumber(otherDeduction);
    if (!qtje || !qtke) {
        res.status = GenerateStatus::BadOtherAmounts;
        return res;
    }

    // An error in reading ends the run, and the transaction takes the month back.
    const MonthInputs in = loadInputs(conn, month);
    const Value bz = Value::text(text::trim(remark));
    const int n = in.assessments.count();
    RowInsert insert(conn, month_, *qtje, *qtke, bz);
    QStringList failures;
    for (int row = 0; row < n; ++row) {
        try {
            const RowValues v = computeRow(in, row);
            // A trigger may leave half of a row behind: then each goes in a savepoint.
            std::optional<db::Savepoint> sp;
            if (in.triggered) sp.emplace(conn, QStringLiteral("salary_row"));
            insert.insert(v);
            if (sp) sp->release();
            ++res.inserted;
        } catch (...) {
            // A failure that took the whole transaction with it (RAISE(ROLLBACK),
            // a full disk) ends the run: what followed would be committed row by row.
            if (!conn.inTransaction()) throw;
            const QString bh = in.assessments.value(row, in.aBh).toText();
            diag::logCause(QStringLiteral("工资表生成（员工编号 %1）").arg(bh));
            ++res.failed;
            // The operator must learn whose row is missing and why.
            failures << QStringLiteral("员工编号 %1：%2").arg(bh, diag::causeText(std::current_exception()));
        }
    }
    tx.commit();
    // Reported once the month is in: a box waiting for the operator must not
    // keep the database locked for every other copy of the program.
    if (onFailure)
        for (const QString& cause : failures) onFailure(cause);
    return res;
}

SettleResult settleMonth(db::Connection& conn, const QString& month)
{
    SettleResult res;
    db::Transaction tx(conn);
    // Only what the sums and the settled test read.
    const db::Rows q = db::select(conn,
                                  QStringLiteral("select rowid as id, ygbh, yfgz, jbgz, jbf, qqj, zwjt, qtje, kgf, ylbx, ylx, sybx, qtke, ks "
                                                 "from 工资表 where gzyf=:aaa"),
                                  {{"aaa", Value::text(month)}});
    if (!q.first(QStringLiteral("yfgz")).isNull()) {
        res.status = SettleStatus::AlreadySettled;
        return res;
    }

    // Column names in the order of the sums, with the titles the grid shows.
    static const char* const kCols[11][2] = {
        {"jbgz", "基本工资"}, {"jbf", "加班费"}, {"qqj", "全勤奖"}, {"zwjt", "职务津贴"}, {"qtje", "其它金额"},
        {"kgf", "旷工费"}, {"ylbx", "养老保险"}, {"ylx", "医疗保险"}, {"sybx", "失业保险"},
        {"qtke", "其它扣额"}, {"ks", "扣税"}};
    int col[11];
    for (int k = 0; k < 11; ++k) col[k] = q.index(QString::fromLatin1(kCols[k][0]));
    const int colBh = q.index(QStringLiteral("ygbh"));
    const int colId = q.index(QStringLiteral("id"));

    // Every row is checked before anything is written: a month is settled
    // whole or not at all.
    const int n = q.count();
    std::vector<Totals> totals;
    totals.reserve(n);
    for (int row = 0; row < n; ++row) {
        Num v[11];
        QString why;
        for (int k = 0; k < 11 && why.isEmpty(); ++k) {
            try {
                v[k] = numberAt(q, row, col[k]);
            } catch (const std::exception&) {
                why = QStringLiteral("%1不是数值").arg(QString::fromUtf8(kCols[k][1]));
            }
        }
        std::optional<Totals> t;
        if (why.isEmpty()) t = settleRow(SalaryRow{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]}, &why);
        if (!t) {
            res.status = SettleStatus::Refused;
            res.row = row;
            res.employee = q.value(row, colBh).toText();
            res.reason = why;
            return res;
        }
        totals.push_back(*t);
    }

    db::Command write(conn, QStringLiteral("update 工资表 set yfgz=:yfgz, ykgz=:ykgz, sfgz=:sfgz where rowid=:id"));
    const int at[4] = {write.index(u"yfgz"_qs), write.index(u"ykgz"_qs), write.index(u"sfgz"_qs), write.index(u"id"_qs)};
    for (int row = 0; row < n; ++row) {
        write.bind(at[0], Value::integer(totals[row].gross));
        write.bind(at[1], Value::integer(totals[row].deductions));
        write.bind(at[2], Value::integer(totals[row].net));
        write.bind(at[3], q.value(row, colId));
        write.run();
    }
    tx.commit();
    res.written = n;
    return res;
}

QString refusalText(const SettleResult& r)
{
    return QStringLiteral("第%1行（员工编号：%2）不能结算：%3").arg(r.row + 1).arg(r.employee, r.reason);
}

}
