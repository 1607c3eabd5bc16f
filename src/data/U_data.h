#pragma once
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include <QObject>

// The data module: the one connection and the 21 shared queries, all closed at creation.
class TData1 : public QObject {
    Q_OBJECT
public:
    explicit TData1(const QString& dbPath = QString::fromLatin1(db::Connection::kDefaultPath),
                    QObject* parent = nullptr);
    ~TData1() override;

    db::Connection ADOConnection2;

    db::Query ADOQYbmxx;
    db::Query ADOQYgzxx;
    db::Query ADOQYhtlx;
    db::Query ADOQYhtgl;
    db::Query ADOQYzcxx;
    db::Query ADOQYwhcd;
    db::Query ADOQYzzmm;
    db::Query ADOQYmzxx;
    db::Query ADOpublic;
    db::Query ADOQYygxx;
    db::Query ADOQYkqxx;
    db::Query ADOQYsl;
    db::Query ADOQYkhgl;
    db::Query ADOQYdwxx;
    db::Query ADOQuery1;
    db::Query ADOQYgzsz;
    db::Query ADOQYgzb;
    db::Query ADOlogin;
    db::Query ADOQYzwxx;
    db::Query yp;
    db::Query gzt;
};

extern TData1* Data1;
