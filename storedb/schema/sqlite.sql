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
create index if not exists shyrzb_dlsj on shyrzb (dlsj);
create index if not exists shyrzb_zxsj on shyrzb (zxsj);
create index if not exists shyrzb_owed on shyrzb (bj) where bj='未交';
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
create index if not exists hwrzb_num on hwrzb (num);
-- The back office's movements of a day, for the day's report: the tills'
-- sales, most of the log, carry no administrator.
create index if not exists hwrzb_office_crhsj on hwrzb (crhsj) where glyh is not null;
create table company (
  company varchar(50),
  welcome varchar(100),
  sl integer,
  accountnum bigint not null default 0
);
-- Which running till holds each till name: the till renews its lease while it
-- runs, so a second till under the same name is refused, and a till that died
-- is known by a lease nobody renews. renewed is the database clock's epoch
-- seconds, so that computers whose clocks differ agree on a lease's age.
create table if not exists tilllease (
  jsj varchar(50) not null primary key,
  token varchar(40) not null,
  machine varchar(100),
  computer varchar(200),
  renewed bigint not null
);
-- Who charged each bill (bills charged before this table have no row).
create table if not exists salebill (
  num bigint not null primary key,
  jsj varchar(50),
  shyh varchar(50),
  sold timestamp,
  total numeric(18,2)
);
create index if not exists salebill_sold on salebill (sold);
-- Returns: each is a bill of its own (num, from the shared counter) whose
-- log rows are stock-outs of negative pieces; original is the sale it takes
-- back, glyh the administrator who authorised it, amount the refund.
create table if not exists salereturn (
  num bigint not null primary key,
  original bigint not null,
  jsj varchar(50),
  shyh varchar(50),
  glyh varchar(50),
  returned timestamp,
  amount numeric(18,2)
);
create index if not exists salereturn_original on salereturn (original);
create index if not exists salereturn_returned on salereturn (returned);
-- Settlements: a clerk's owed shifts handed in to an administrator. owed is
-- what the shifts came to, received the cash counted, difference received
-- minus owed (recorded, never refused); settlementshift lists the shifts.
create table if not exists settlement (
  id integer primary key,
  settled timestamp not null,
  glyh varchar(50),
  shyh varchar(50),
  owed numeric(18,2),
  received numeric(18,2),
  difference numeric(18,2)
);
create index if not exists settlement_settled on settlement (settled);
create index if not exists settlement_shyh on settlement (shyh, settled);
create table if not exists settlementshift (
  settlement bigint not null,
  jsj varchar(50),
  dlsj timestamp,
  due numeric(18,2)
);
create index if not exists settlementshift_settlement on settlementshift (settlement);
-- Every correction of a log row (kind 更正) and price change (kind 调价):
-- who, when, the goods, the values before and after as shown. For a
-- correction bh is the log row, day its movement date and amount the change
-- of its money.
create table if not exists changerecord (
  id integer primary key,
  changed timestamp not null,
  glyh varchar(50),
  kind varchar(10) not null,
  hwh varchar(50),
  bh bigint,
  day timestamp,
  oldvalue varchar(200),
  newvalue varchar(200),
  amount numeric(18,2)
);
create index if not exists changerecord_changed on changerecord (changed);
create index if not exists changerecord_day on changerecord (day);
-- Z reports, the closed days: numbered 1, 2, 3 ... without gaps, never
-- changed. figures is the report's figures as text, grandtotal the net
-- takings of every Z so far, hash the SHA-256 (hex) of this row's figures
-- and the previous Z's hash, so that a changed, removed or inserted Z shows.
create table if not exists dayclose (
  z bigint not null primary key,
  day timestamp not null unique,
  closed timestamp not null,
  glyh varchar(50),
  nettakings numeric(18,2),
  grandtotal numeric(18,2),
  figures text,
  hash varchar(64) not null
);
-- Every password reset: who (glyh, null when reset by the program storetool),
-- whom (kind 管理员 or 售货员, number) and when. passwordchangedue holds the
-- people who must choose a new password at their next sign-on; their own
-- change removes the row in the transaction that sets the password.
create table if not exists passwordreset (
  id integer primary key,
  reset timestamp not null,
  program varchar(20) not null,
  glyh varchar(50),
  kind varchar(10) not null,
  number varchar(50) not null
);
create index if not exists passwordreset_person on passwordreset (kind, number);
create table if not exists passwordchangedue (
  kind varchar(10) not null,
  number varchar(50) not null,
  primary key (kind, number)
);
-- What the whole log comes to (stock-ins at cost, stock-outs at price), kept
-- in the transaction of every movement: the profit estimate reads one row,
-- however long the log grows. Rounded to the fen at every step: a floating-
-- point total of millions of movements would stray from the log.
create table hwrzhjb (
  rkje numeric not null default 0,
  ckje numeric not null default 0
);
insert into hwrzhjb(rkje,ckje) values(0,0);
create trigger hwrzb_hj_insert after insert on hwrzb begin
  update hwrzhjb set
    rkje=round(rkje+case when new.crk='入库' then coalesce(new.sl*new.rhj,0) else 0 end,2),
    ckje=round(ckje+case when new.crk='出库' then coalesce(new.sl*new.dj,0) else 0 end,2);
end;
create trigger hwrzb_hj_delete after delete on hwrzb begin
  update hwrzhjb set
    rkje=round(rkje-case when old.crk='入库' then coalesce(old.sl*old.rhj,0) else 0 end,2),
    ckje=round(ckje-case when old.crk='出库' then coalesce(old.sl*old.dj,0) else 0 end,2);
end;
create trigger hwrzb_hj_update after update of crk,sl,rhj,dj on hwrzb begin
  update hwrzhjb set
    rkje=round(rkje-case when old.crk='入库' then coalesce(old.sl*old.rhj,0) else 0 end
                   +case when new.crk='入库' then coalesce(new.sl*new.rhj,0) else 0 end,2),
    ckje=round(ckje-case when old.crk='出库' then coalesce(old.sl*old.dj,0) else 0 end
                   +case when new.crk='出库' then coalesce(new.sl*new.dj,0) else 0 end,2);
end;
