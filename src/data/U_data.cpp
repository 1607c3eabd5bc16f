#include "data/U_data.h"
#include "data/system_db.h"

TData1* Data1 = nullptr;

TData1::TData1(const QString& dbPath, QObject* parent)
    : QObject(parent),
      ADOConnection2(dbPath),
      ADOQYbmxx(ADOConnection2, QStringLiteral("ADOQYbmxx"), this),
      ADOQYgzxx(ADOConnection2, QStringLiteral("ADOQYgzxx"), this),
      ADOQYhtlx(ADOConnection2, QStringLiteral("ADOQYhtlx"), this),
      ADOQYhtgl(ADOConnection2, QStringLiteral("ADOQYhtgl"), this),
      ADOQYzcxx(ADOConnection2, QStringLiteral("ADOQYzcxx"), this),
      ADOQYwhcd(ADOConnection2, QStringLiteral("ADOQYwhcd"), this),
      ADOQYzzmm(ADOConnection2, QStringLiteral("ADOQYzzmm"), this),
      ADOQYmzxx(ADOConnection2, QStringLiteral("ADOQYmzxx"), this),
      ADOpublic(ADOConnection2, QStringLiteral("ADOpublic"), this),
      ADOQYygxx(ADOConnection2, QStringLiteral("ADOQYygxx"), this),
      ADOQYkqxx(ADOConnection2, QStringLiteral("ADOQYkqxx"), this),
      ADOQYsl(ADOConnection2, QStringLiteral("ADOQYsl"), this),
      ADOQYkhgl(ADOConnection2, QStringLiteral("ADOQYkhgl"), this),
      ADOQYdwxx(ADOConnection2, QStringLiteral("ADOQYdwxx"), this),
      ADOQuery1(ADOConnection2, QStringLiteral("ADOQuery1"), this),
      ADOQYgzsz(ADOConnection2, QStringLiteral("ADOQYgzsz"), this),
      ADOQYgzb(ADOConnection2, QStringLiteral("ADOQYgzb"), this),
      ADOlogin(ADOConnection2, QStringLiteral("ADOlogin"), this),
      ADOQYzwxx(ADOConnection2, QStringLiteral("ADOQYzwxx"), this),
      yp(ADOConnection2, QStringLiteral("yp"), this),
      gzt(ADOConnection2, QStringLiteral("gzt"), this)
{
    // Nothing is written to a file that is not this system's database.
    ADOConnection2.setFileCheck([](sqlite3* h, QString* why) { return data::isSystemDatabase(h, why); });
    // Design-time texts, never run: every use replaces them first.
    ADOQYkhgl.setSql(QStringLiteral("select * from 考勤表 "));
    ADOQuery1.setSql(QStringLiteral("select * from 人事表"));
    gzt.setSql(QStringLiteral("select * from 工资表 "));
}

TData1::~TData1()
{
    // Queries go before the connection they use.
    const auto queries = findChildren<db::Query*>(QString(), Qt::FindDirectChildrenOnly);
    for (db::Query* q : queries) q->close();
}
