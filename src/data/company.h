#pragma once
#include <QString>

namespace db { class Query; }

// 单位名称 of the first row of "select distinct 单位名称 from 单位信息表", run
// on q; the empty text when the table is empty or the name is Null. The
// department trees' root and the reports' heading.
QString companyName(db::Query& q);
