#include "payroll/salary_month.h"
#include "payroll/payroll_calc.h"
#include "platform/db/convert.h"
#include "platform/db/query.h"
#include "platform/diag/log.h"
#include "platform/text/text.h"
#include <algorithm>
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

GenerateResult generateMonth(db::Connection& conn, const QString& month, const QString& otherAmount,
                             const QString& otherDeduction, const QString& remark,
                             const std::function<void()>& onFailure)
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
    const Value bz = Value::text(text::trim(remark));

    const db::Rows A = db::select(conn, QStringLiteral("select * from 考核表 where 考核月份=:aa"), {{"aa", Value::text(month)}});
    const db::Rows R = db::select(conn, QStringLiteral("select * from 考勤表"));
    const AttendanceRule rule{numberOf(R.first(QStringLiteral("出勤天数"))), numberOf(R.first(QStringLiteral("迟到早退次数"))),
                              numberOf(R.first(QStringLiteral("月平均工作天数"))), numberOf(R.first(QStringLiteral("几倍")))};

    const int aBh = A.index(QStringLiteral("员工编号"));
    const int aDays = A.index(QStringLiteral("出勤天数"));
    const int aLate = A.index(QStringLiteral("迟到次数"));
    const int aEarly = A.index(QStringLiteral("早退次数"));
    const int aAbsent = A.index(QStringLiteral("旷工天数"));
    const int aOvertime = A.index(QStringLiteral("加班时数"));

    // Run once per employee: each keeps its statement prepared.
    db::Query T(conn, QString());
    T.setSql(QStringLiteral("select * from 工资模板 where 员工编号=:bb"));
    db::Query S(conn, QString());
    S.setSql(QStringLiteral("select * from 个人所得税税率表 where 级别号=:cc"));
    db::Query ins(conn, QString());
    ins.setSql(QStringLiteral(
        "insert into 工资表 (gzyf, ygbh, ygxm, jbgz, jbf, qqj, zwjt, qtje, kgf, ylbx, sybx, ylx, ks, qtke, bz) "
        "values (:gzyf, :ygbh, :ygxm, :jbgz, :jbf, :qqj, :zwjt, :qtje, :kgf, :ylbx, :sybx, :ylx, :ks, :qtke, :bz)"));
    ins.setParam(QStringLiteral("gzyf"), month_);
    ins.setParam(QStringLiteral("qtje"), Value::real(*qtje));
    ins.setParam(QStringLiteral("qtke"), Value::real(*qtke));
    ins.setParam(QStringLiteral("bz"), bz);
    static const char* const kTemplateCols[] = {"员工姓名", "基本工资", "全勤奖", "职务津贴",
                                                "养老保险", "失业保险", "医疗保险", "扣税级别"};

    std::vector<std::pair<Value, Value>> rates;   // level -> rate
    int tCol[8] = {-2};
    const int n = A.count();
    for (int row = 0; row < n; ++row) {
        const Value bh = A.value(row, aBh);

        // The look-ups stand outside the employee's guarded step: an error
        // there ends the run, and the transaction takes the month back.
        T.close();
        T.setParam(QStringLiteral("bb"), bh);
        T.open();
        if (tCol[0] == -2)   // every look-up has the same columns
            for (int k = 0; k < 8; ++k) tCol[k] = T.fieldIndex(QString::fromUtf8(kTemplateCols[k]));
        Value t[8];
        if (T.recordCount() > 0)
            for (int k = 0; k < 8; ++k) t[k] = tCol[k] >= 0 ? T.value(0, tCol[k]) : Value();

        // A bracket cannot change while the run holds the write lock, so each
        // level is fetched once.
        Value rate;
        const auto cached = std::find_if(rates.begin(), rates.end(), [&](const auto& r) { return r.first == t[7]; });
        if (cached != rates.end()) {
            rate = cached->second;
        } else {
            S.close();
            S.setParam(QStringLiteral("cc"), t[7]);
            S.open();
            const int c = S.fieldIndex(QStringLiteral("税率"));
            rate = S.recordCount() > 0 && c >= 0 ? S.value(0, c) : Value();
            rates.emplace_back(t[7], rate);
        }

        try {
            db::Savepoint sp(conn, QStringLiteral("salary_row"));
            Assessment a{numberAt(A, row, aDays), numberAt(A, row, aLate), numberAt(A, row, aEarly),
                         numberAt(A, row, aAbsent), numberAt(A, row, aOvertime)};
            SalaryTemplate tpl{numberOf(t[1]), numberOf(t[2]), numberOf(t[3]),
                               numberOf(t[4]), numberOf(t[5]), numberOf(t[6])};
            const Amounts m = computeAmounts(a, tpl, rule, numberOf(rate));

            ins.setParam(QStringLiteral("ygbh"), bh);
            ins.setParam(QStringLiteral("ygxm"), t[0]);
            ins.setParam(QStringLiteral("jbgz"), valueOf(tpl.basic));
            ins.setParam(QStringLiteral("jbf"), valueOf(m.overtimePay));
            ins.setParam(QStringLiteral("qqj"), valueOf(m.bonus));
            ins.setParam(QStringLiteral("zwjt"), valueOf(tpl.allowance));
            ins.setParam(QStringLiteral("kgf"), valueOf(m.absenceDeduction));
            ins.setParam(QStringLiteral("ylbx"), valueOf(m.pension));
            ins.setParam(QStringLiteral("sybx"), valueOf(m.unemployment));
            ins.setParam(QStringLiteral("ylx"), valueOf(m.medical));
            ins.setParam(QStringLiteral("ks"), valueOf(m.tax));
            ins.execSql();
            sp.release();
            ++res.inserted;
        } catch (...) {
            diag::logCause(QStringLiteral("工资表生成（员工编号 %1）").arg(bh.toText()));
            ++res.failed;
            if (onFailure) onFailure();
        }
    }
    tx.commit();
    return res;
}

SettleResult settleMonth(db::Connection& conn, const QString& month)
{
    SettleResult res;
    db::Transaction tx(conn);
    const db::Rows q = db::select(conn, kSelectMonth, {{"aaa", Value::text(month)}});
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

    db::Query write(conn, QString());
    write.setSql(QStringLiteral("update 工资表 set yfgz=:yfgz, ykgz=:ykgz, sfgz=:sfgz where rowid=:id"));
    for (int row = 0; row < n; ++row) {
        write.setParam(QStringLiteral("yfgz"), Value::integer(totals[row].gross));
        write.setParam(QStringLiteral("ykgz"), Value::integer(totals[row].deductions));
        write.setParam(QStringLiteral("sfgz"), Value::integer(totals[row].net));
        write.setParam(QStringLiteral("id"), Value::integer(q.rowid(row)));
        write.execSql();
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
