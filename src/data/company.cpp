#include "data/company.h"
#include "platform/db/query.h"
#include "platform/ui/rowbind.h"

QString companyName(db::Query& q)
{
    ui::runSelect(q, QStringLiteral("select distinct 单位名称 from 单位信息表"));
    return q.fieldText(QStringLiteral("单位名称"));
}
