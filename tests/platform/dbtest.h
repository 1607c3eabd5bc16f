// Shared setup of the dataset-layer tests.
#pragma once
#include "data/U_data.h"
#include "harness.h"
#include "platform/db/error.h"
#include "platform/db/query.h"

namespace dbtest {

using db::Value;

inline std::string s(const QString& q) { return q.toStdString(); }
inline Value text(const char* t) { return Value::text(QString::fromUtf8(t)); }

// The db::Error that f raises (an empty one and a failure if none).
template <class F>
db::Error caught(F&& f)
{
    try {
        f();
    } catch (const db::Error& e) {
        return e;
    }
    ADD_FAILURE() << "no db::Error";
    return db::Error(QString());
}

template <class F>
std::string errorOf(F&& f) { return s(caught(std::forward<F>(f)).message()); }

class DbTest : public hrtest::HrTest {
protected:
    db::Connection& conn() { return Data1->ADOConnection2; }
    db::Query& q() { return Data1->ADOpublic; }
    static void run(db::Query& query, const char* sql)
    {
        query.close();
        query.setSql(QString::fromUtf8(sql));
    }
    void open(const char* sql) { run(q(), sql); q().open(); }
    QStringList all(const char* sql) { return db->rows(QString::fromUtf8(sql)); }
    void insertDept(const char* code)   // through another query: q() stays as it is
    {
        run(Data1->ADOQYbmxx, "insert into 部门表 values (:a, 'x')");
        Data1->ADOQYbmxx.setParam("a", text(code));
        Data1->ADOQYbmxx.execSql();
    }
    void setAndPost(const char* field, const Value& v) 
    {
        q().edit();
        q().setField(QString::fromUtf8(field), v);
        q().post();
    }
};

}
