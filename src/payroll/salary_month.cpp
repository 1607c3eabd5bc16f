#include "payroll/salary_month.h"
#include "data/U_data.h"
#include "payroll/payroll_calc.h"
#include "platform/db/convert.h"
#include "platform/text/text.h"
#include <QSignalBlocker>
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
Num numberAt(const db::Query& q, int row, int col)
{
    double x;
    if (q.numberAt(row, col, &x)) return x;
    return numberOf(q.value(row, col));
}

Value valueOf(Num n) { return n ? Value::real(*n) : Value::null(); }

// The one way of running a statement on a shared query.
void prepare(db::Query& q, const QString& sql)
{
    q.close();
    q.clearSql();
    q.addSql(sql);
}

Value fieldOrNull(const db::Query& q, int col)
{
    return q.recordCount() > 0 && col >= 0 ? q.value(0, col) : Value::null();
}

const QString kSelectMonth = QStringLiteral("select * from 工资表 where gzyf=:aaa");

void openMonth(db::Query& q, const QString& month)
{
    prepare(q, kSelectMonth);
    q.setParam(QStringLiteral("aaa"), Value::text(month));
    q.open();
}

}

GenerateResult generateMonth(const QString& month, const QString& otherAmount,
                             const QString& otherDeduction, const QString& remark,
                             const std::function<void()>& onFailure)
{
    GenerateResult res;
    if (month.isEmpty()) {
        res.status = GenerateStatus::NoMonth;
        return res;
    }
    db::Connection& conn = Data1->ADOConnection2;
    db::Transaction tx(conn);

    db::Query& check = Data1->ADOQYbmxx;
    prepare(check, kSelectMonth);
    check.setParam(QStringLiteral("aaa"), Value::text(text::trim(month)));
    check.open();
    if (check.recordCount() > 0) {
        res.status = GenerateStatus::AlreadyGenerated;
        return res;
    }

    db::Query& A = Data1->ADOpublic;
    prepare(A, QStringLiteral("select * from 考核表 where 考核月份=:aa"));
    A.setParam(QStringLiteral("aa"), Value::text(month));
    A.open();

    db::Query& R = Data1->ADOQYkqxx;
    prepare(R, QStringLiteral("select * from 考勤表"));
    R.open();
    const Value rDays = fieldOrNull(R, R.fieldIndex(QStringLiteral("出勤天数")));
    const Value rLimit = fieldOrNull(R, R.fieldIndex(QStringLiteral("迟到早退次数")));
    const Value rAvg = fieldOrNull(R, R.fieldIndex(QStringLiteral("月平均工作天数")));
    const Value rFactor = fieldOrNull(R, R.fieldIndex(QStringLiteral("几倍")));

    const int aBh = A.fieldIndex(QStringLiteral("员工编号"));
    const int aDays = A.fieldIndex(QStringLiteral("出勤天数"));
    const int aLate = A.fieldIndex(QStringLiteral("迟到次数"));
    const int aEarly = A.fieldIndex(QStringLiteral("早退次数"));
    const int aAbsent = A.fieldIndex(QStringLiteral("旷工天数"));
    const int aOvertime = A.fieldIndex(QStringLiteral("加班时数"));

    const Value month_ = Value::text(text::trim(month));
    const Value qtje = Value::text(text::trim(otherAmount));
    const Value qtke = Value::text(text::trim(otherDeduction));
    const Value bz = Value::text(text::trim(remark));

    db::Query& T = Data1->ADOQuery1;
    db::Query& S = Data1->ADOQYsl;
    db::Query& ins = Data1->ADOQYgzb;
    const QString selTemplate = QStringLiteral("select * from 工资模板 where 员工编号=:bb");
    const QString selBracket = QStringLiteral("select * from 个人所得税税率表 where 级别号=:cc");
    const QString insertRow = QStringLiteral(
        "insert into 工资表 values (:a,:b,:c,:d,:e,:f,:g,:h,:i,:j,:k,:l,:m,:n,:o,:p,:q,:r)");
    static const char* const kTemplateCols[] = {"员工姓名", "基本工资", "全勤奖", "职务津贴",
                                                "养老保险", "失业保险", "医疗保险", "扣税级别"};

    std::vector<std::pair<Value, Value>> rates;   // level -> rate
    int tCol[8] = {-2};
    const int n = A.recordCount();
    for (int row = 0; row < n; ++row) {
        const Value bh = A.value(row, aBh);

        // The look-ups stand outside the employee's guarded step: an error
        // there ends the run, and the transaction takes the month back.
        prepare(T, selTemplate);
        T.setParam(QStringLiteral("bb"), bh);
        T.open();
        if (tCol[0] == -2)   // every look-up has the same columns
            for (int k = 0; k < 8; ++k) tCol[k] = T.fieldIndex(QString::fromUtf8(kTemplateCols[k]));
        Value t[8];
        for (int k = 0; k < 8; ++k) t[k] = fieldOrNull(T, tCol[k]);

        // A bracket cannot change while the run holds the write lock, so each
        // level is fetched once.
        Value rate;
        const auto cached = std::find_if(rates.begin(), rates.end(), [&](const auto& r) { return r.first == t[7]; });
        if (cached != rates.end()) {
            rate = cached->second;
        } else {
            prepare(S, selBracket);
            S.setParam(QStringLiteral("cc"), t[7]);
            S.open();
            rate = fieldOrNull(S, S.fieldIndex(QStringLiteral("税率")));
            rates.emplace_back(t[7], rate);
        }

        try {
            db::Savepoint sp(conn, QStringLiteral("salary_row"));
            Assessment a{numberAt(A, row, aDays), numberAt(A, row, aLate), numberAt(A, row, aEarly),
                         numberAt(A, row, aAbsent), numberAt(A, row, aOvertime)};
            SalaryTemplate tpl{numberOf(t[1]), numberOf(t[2]), numberOf(t[3]),
                               numberOf(t[4]), numberOf(t[5]), numberOf(t[6])};
            AttendanceRule rule{numberOf(rDays), numberOf(rLimit), numberOf(rAvg), numberOf(rFactor)};
            const Amounts m = computeAmounts(a, tpl, rule, numberOf(rate));

            prepare(ins, insertRow);
            ins.setParam(QStringLiteral("a"), month_);
            ins.setParam(QStringLiteral("b"), bh);
            ins.setParam(QStringLiteral("c"), t[0]);
            ins.setParam(QStringLiteral("d"), t[1]);
            ins.setParam(QStringLiteral("e"), valueOf(m.overtimePay));
            ins.setParam(QStringLiteral("f"), valueOf(m.bonus));
            ins.setParam(QStringLiteral("g"), t[3]);
            ins.setParam(QStringLiteral("h"), qtje);
            ins.setParam(QStringLiteral("i"), valueOf(m.absenceDeduction));
            ins.setParam(QStringLiteral("j"), valueOf(m.pension));
            ins.setParam(QStringLiteral("k"), valueOf(m.unemployment));
            ins.setParam(QStringLiteral("l"), valueOf(m.medical));
            ins.setParam(QStringLiteral("m"), valueOf(m.tax));
            ins.setParam(QStringLiteral("n"), qtke);
            ins.setParam(QStringLiteral("o"), Value::null());
            ins.setParam(QStringLiteral("p"), Value::null());
            ins.setParam(QStringLiteral("q"), Value::null());
            ins.setParam(QStringLiteral("r"), bz);
            ins.execSql();
            sp.release();
            ++res.inserted;
        } catch (...) {
            ++res.failed;
            if (onFailure) onFailure();
        }
    }
    tx.commit();
    return res;
}

SettleResult settleMonth(const QString& month)
{
    SettleResult res;
    db::Query& check = Data1->ADOQYbmxx;
    prepare(check, kSelectMonth);
    check.setParam(QStringLiteral("aaa"), Value::text(month));
    check.open();
    if (check.recordCount() > 0 && !check.field(QStringLiteral("yfgz")).isNull()) {
        res.status = SettleStatus::AlreadySettled;
        return res;
    }

    db::Query& q = Data1->ADOQYgzb;
    openMonth(q, month);

    // Column names in the order of the sums, with the titles the grid shows.
    static const char* const kCols[11][2] = {
        {"jbgz", "基本工资"}, {"jbf", "加班费"}, {"qqj", "全勤奖"}, {"zwjt", "职务津贴"}, {"qtje", "其它金额"},
        {"kgf", "旷工费"}, {"ylbx", "养老保险"}, {"ylx", "医疗保险"}, {"sybx", "失业保险"},
        {"qtke", "其它扣额"}, {"ks", "扣税"}};
    int col[11];
    for (int k = 0; k < 11; ++k) col[k] = q.fieldIndex(QString::fromLatin1(kCols[k][0]));
    const int colBh = q.fieldIndex(QStringLiteral("ygbh"));

    // Every row is checked before anything is written: a month is settled
    // whole or not at all.
    const int n = q.recordCount();
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
            q.setRecNo(row);
            return res;
        }
        totals.push_back(*t);
    }

    try {
        // A grid on the query would follow every row; it is shown the
        // month once, afterwards.
        const QSignalBlocker quiet(q);
        db::Transaction tx(Data1->ADOConnection2);
        for (int row = 0; row < n; ++row) {
            q.setRecNo(row);
            q.edit();
            q.setField(QStringLiteral("yfgz"), Value::integer(totals[row].gross));
            q.setField(QStringLiteral("ykgz"), Value::integer(totals[row].deductions));
            q.setField(QStringLiteral("sfgz"), Value::integer(totals[row].net));
            q.post();
        }
        tx.commit();
        if (n > 0) q.first();
    } catch (...) {
        // The transaction is rolled back by now; show the rows as they are.
        try {
            openMonth(q, month);
        } catch (...) {
        }
        throw;
    }
    // Each post read its row back, so the query holds what the table now
    // holds: the grid is told once that every row changed.
    emit q.reset();
    res.written = n;
    return res;
}

QString refusalText(const SettleResult& r)
{
    return QStringLiteral("第%1行（员工编号：%2）不能结算：%3").arg(r.row + 1).arg(r.employee, r.reason);
}

}
