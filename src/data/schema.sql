-- The 17 tables of the personnel database. Column order is fixed: grids that
-- define no columns show them in this order. STRICT makes a value a column
-- cannot hold fail the statement. Dates are ISO "yyyy-MM-dd" text, checked to
-- be real calendar dates; amounts are finite. Checks are named "<column>_date"
-- and "<column>_finite": the database layer words its message by the name.

-- Pointer-map pages: a row's columns stored behind its photo are reached
-- without reading each overflow page of the photo. Only an empty file takes it.
PRAGMA auto_vacuum = INCREMENTAL;

CREATE TABLE 人事表 (
  bh TEXT, xm TEXT, xb TEXT, sfzh TEXT,
  csrq TEXT CONSTRAINT csrq_date CHECK (csrq IS NULL OR date(csrq, '+0 days') IS csrq),
  mz TEXT, hyzk TEXT, zzmm TEXT, jg TEXT, lxdh TEXT, sjhm TEXT, dzyx TEXT, jtdz TEXT,
  byyx TEXT, zy TEXT, whcd TEXT, tc TEXT, cjgzsj TEXT, gl INTEGER, zp BLOB,
  ssbm TEXT, gz TEXT, zw TEXT, zc TEXT,
  drsj TEXT CONSTRAINT drsj_date CHECK (drsj IS NULL OR date(drsj, '+0 days') IS drsj),
  jl TEXT,
  djrq TEXT CONSTRAINT djrq_date CHECK (djrq IS NULL OR date(djrq, '+0 days') IS djrq),
  djr TEXT, sflz TEXT,
  lzrq TEXT CONSTRAINT lzrq_date CHECK (lzrq IS NULL OR date(lzrq, '+0 days') IS lzrq),
  fzrq TEXT CONSTRAINT fzrq_date CHECK (fzrq IS NULL OR date(fzrq, '+0 days') IS fzrq),
  lzfydjr TEXT
) STRICT;
CREATE INDEX 人事表_bh ON 人事表 (bh);
-- The department trees list a department's employees on every click.
CREATE INDEX 人事表_ssbm ON 人事表 (ssbm);

CREATE TABLE 应聘信息表 (
  编号 TEXT, 姓名 TEXT, 性别 TEXT, 出生日期 TEXT, 民族 TEXT, 联系电话 TEXT, 电子信箱 TEXT,
  通信地址 TEXT, 毕业院校 TEXT, 专业 TEXT, 文化程度 TEXT, 特长 TEXT, 兴趣爱好 TEXT,
  专业技能 TEXT, 工作经历 TEXT
) STRICT;

CREATE TABLE 考核表 (
  员工编号 TEXT,
  出勤天数 REAL CONSTRAINT 出勤天数_finite CHECK (abs(出勤天数) <= 1.7976931348623157e308),
  请假天数 REAL CONSTRAINT 请假天数_finite CHECK (abs(请假天数) <= 1.7976931348623157e308),
  迟到次数 REAL CONSTRAINT 迟到次数_finite CHECK (abs(迟到次数) <= 1.7976931348623157e308),
  早退次数 REAL CONSTRAINT 早退次数_finite CHECK (abs(早退次数) <= 1.7976931348623157e308),
  旷工天数 REAL CONSTRAINT 旷工天数_finite CHECK (abs(旷工天数) <= 1.7976931348623157e308),
  加班时数 REAL CONSTRAINT 加班时数_finite CHECK (abs(加班时数) <= 1.7976931348623157e308),
  考核等级 TEXT, 考核分值 TEXT, 考核人 TEXT, 考核月份 TEXT, 考核评价 TEXT
) STRICT;
CREATE INDEX 考核表_考核月份 ON 考核表 (考核月份);

CREATE TABLE 合同表 (
  合同编号 TEXT, 员工编号 TEXT,
  登记日期 TEXT CONSTRAINT 登记日期_date CHECK (登记日期 IS NULL OR date(登记日期, '+0 days') IS 登记日期),
  合同开始日期 TEXT CONSTRAINT 合同开始日期_date CHECK (合同开始日期 IS NULL OR date(合同开始日期, '+0 days') IS 合同开始日期),
  合同结束日期 TEXT CONSTRAINT 合同结束日期_date CHECK (合同结束日期 IS NULL OR date(合同结束日期, '+0 days') IS 合同结束日期),
  合同期限 TEXT, 合同期工资 TEXT, 状态 TEXT, 备注 TEXT
) STRICT;

CREATE TABLE 部门表 (部门编号 TEXT, 部门名称 TEXT) STRICT;
CREATE TABLE 工种表 (工种 TEXT) STRICT;
CREATE TABLE 职务表 (职务名称 TEXT) STRICT;
CREATE TABLE 职称表 (职称名称 TEXT) STRICT;
CREATE TABLE 文化程度表 (文化程度 TEXT) STRICT;
CREATE TABLE 政治面貌表 (政治面貌 TEXT) STRICT;
CREATE TABLE 民族表 (民族 TEXT) STRICT;

CREATE TABLE 个人所得税税率表 (
  级别号 INTEGER,
  应纳所得税金额下限 REAL CONSTRAINT 应纳所得税金额下限_finite CHECK (abs(应纳所得税金额下限) <= 1.7976931348623157e308),
  应纳所得税金额上限 REAL CONSTRAINT 应纳所得税金额上限_finite CHECK (abs(应纳所得税金额上限) <= 1.7976931348623157e308),
  税率 REAL CONSTRAINT 税率_finite CHECK (abs(税率) <= 1.7976931348623157e308)
) STRICT;
CREATE INDEX 个人所得税税率表_级别号 ON 个人所得税税率表 (级别号);

CREATE TABLE 考勤表 (
  全勤奖 REAL CONSTRAINT 全勤奖_finite CHECK (abs(全勤奖) <= 1.7976931348623157e308),
  出勤天数 REAL CONSTRAINT 出勤天数_finite CHECK (abs(出勤天数) <= 1.7976931348623157e308),
  迟到早退次数 REAL CONSTRAINT 迟到早退次数_finite CHECK (abs(迟到早退次数) <= 1.7976931348623157e308),
  月平均工作天数 REAL CONSTRAINT 月平均工作天数_finite CHECK (abs(月平均工作天数) <= 1.7976931348623157e308),
  几倍 REAL CONSTRAINT 几倍_finite CHECK (abs(几倍) <= 1.7976931348623157e308)
) STRICT;

CREATE TABLE 工资模板 (
  员工编号 TEXT, 员工姓名 TEXT,
  基本工资 REAL CONSTRAINT 基本工资_finite CHECK (abs(基本工资) <= 1.7976931348623157e308),
  全勤奖 REAL CONSTRAINT 全勤奖_finite CHECK (abs(全勤奖) <= 1.7976931348623157e308),
  职务津贴 REAL CONSTRAINT 职务津贴_finite CHECK (abs(职务津贴) <= 1.7976931348623157e308),
  养老保险 REAL CONSTRAINT 养老保险_finite CHECK (abs(养老保险) <= 1.7976931348623157e308),
  失业保险 REAL CONSTRAINT 失业保险_finite CHECK (abs(失业保险) <= 1.7976931348623157e308),
  医疗保险 REAL CONSTRAINT 医疗保险_finite CHECK (abs(医疗保险) <= 1.7976931348623157e308),
  扣税级别 INTEGER
) STRICT;
CREATE INDEX 工资模板_员工编号 ON 工资模板 (员工编号);

CREATE TABLE 工资表 (
  gzyf TEXT, ygbh TEXT, ygxm TEXT,
  jbgz REAL CONSTRAINT jbgz_finite CHECK (abs(jbgz) <= 1.7976931348623157e308),
  jbf REAL CONSTRAINT jbf_finite CHECK (abs(jbf) <= 1.7976931348623157e308),
  qqj REAL CONSTRAINT qqj_finite CHECK (abs(qqj) <= 1.7976931348623157e308),
  zwjt REAL CONSTRAINT zwjt_finite CHECK (abs(zwjt) <= 1.7976931348623157e308),
  qtje REAL CONSTRAINT qtje_finite CHECK (abs(qtje) <= 1.7976931348623157e308),
  kgf REAL CONSTRAINT kgf_finite CHECK (abs(kgf) <= 1.7976931348623157e308),
  ylbx REAL CONSTRAINT ylbx_finite CHECK (abs(ylbx) <= 1.7976931348623157e308),
  sybx REAL CONSTRAINT sybx_finite CHECK (abs(sybx) <= 1.7976931348623157e308),
  ylx REAL CONSTRAINT ylx_finite CHECK (abs(ylx) <= 1.7976931348623157e308),
  ks REAL CONSTRAINT ks_finite CHECK (abs(ks) <= 1.7976931348623157e308),
  qtke REAL CONSTRAINT qtke_finite CHECK (abs(qtke) <= 1.7976931348623157e308),
  yfgz INTEGER, ykgz INTEGER, sfgz INTEGER, bz TEXT
) STRICT;
CREATE INDEX 工资表_gzyf ON 工资表 (gzyf);

CREATE TABLE 操作员信息表 (操作员名称 TEXT, 操作员密码 TEXT) STRICT;

CREATE TABLE 单位信息表 (
  单位名称 TEXT, 法人 TEXT, 创建日期 TEXT, 单位电话 TEXT, 单位邮箱 TEXT, 单位地址 TEXT, 单位介绍 TEXT
) STRICT;
