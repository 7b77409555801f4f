-- Permanent tables of the store database (SQLite).
create table glyb (
  glyh varchar(50) not null primary key,
  glym varchar(50),
  mm varchar(50)
);
create table shyb (
  shyh varchar(50) not null primary key,
  shym varchar(50),
  mm varchar(50)
);
create table jqb (
  jsj varchar(50) not null primary key,
  shyh varchar(50),
  ye numeric(9,1) not null default 0,
  yye numeric(9,1) not null default 0,
  zt varchar(4)
);
create table shyrzb (
  shyh varchar(50),
  jsj varchar(50),
  dlsj timestamp,
  qye numeric(9,1),
  zxsj timestamp,
  yye numeric(9,1),
  xye numeric(9,1),
  bj varchar(4)
);
create index shyrzb_jsj on shyrzb (jsj, zxsj);
create index shyrzb_shyh_bj on shyrzb (shyh, bj);
create table hwlbpzb (
  hwlbh varchar(50) not null primary key,
  hwlbm varchar(50)
);
create table hwpzb (
  hwh varchar(50) not null primary key,
  hwm varchar(50),
  hwlbh varchar(50)
);
create index hwpzb_hwlbh on hwpzb (hwlbh);
create table hwb (
  hwh varchar(50) not null primary key,
  hwlbh varchar(50),
  dj numeric(18,2),
  kcl integer not null default 0
);
create index hwb_hwlbh on hwb (hwlbh);
create index if not exists hwb_kcl on hwb (kcl);
create table hwrzb (
  bh integer primary key autoincrement,
  hwh varchar(50),
  hwlbh varchar(50),
  dj numeric(18,2),
  sl integer,
  rhj numeric(18,2),
  crhsj timestamp,
  glyh varchar(50),
  crk varchar(4),
  hwly varchar(50),
  num bigint
);
create index hwrzb_crk_hwlbh_crhsj on hwrzb (crk, hwlbh, crhsj);
create index hwrzb_hwh_crhsj on hwrzb (hwh, crhsj);
create index if not exists hwrzb_crk_hwh_crhsj on hwrzb (crk, hwh, crhsj);
create index if not exists hwrzb_crk_hwlbh_hwh_crhsj on hwrzb (crk, hwlbh, hwh, crhsj);
create table company (
  company varchar(50),
  welcome varchar(100),
  sl integer,
  accountnum bigint not null default 0
);
