#pragma once
// A small company for the employee lists: five employees over three
// departments, one resigned, two sharing a number, one in no department.
#include "harness.h"

namespace hrtest {

inline void seedCompany(TestDb& db)
{
    db.exec("insert into 单位信息表 (单位名称) values ('澄岚公司')");
    db.exec("insert into 部门表 values ('001','研发部'),('002','财务部'),('003','研发部'),('004',' 后勤部 ')");
    db.exec("insert into 人事表 (bh,xm,xb,mz,jg,whcd,ssbm,sflz,csrq,zw,zc) values "
            "('mr001','张三','男','汉族','北京','本科','研发部','否','1980-05-12','经理','工程师'),"
            "('mr002','李四','女','回族','上海','大专','财务部','否','1985-07-23','会计','会计师'),"
            "('mr002','李四二','男','汉族','北京','硕士','研发部','否','1990-01-02','职员','助工'),"
            "('mr010','王五','男','汉族','天津','本科','研发部','是','1975-12-31','职员','工程师'),"
            "('mr011','赵六','女','汉族','北京','本科',' 后勤部 ','否',NULL,NULL,NULL)");
}

}
