#include "storedb/procedures.h"

#include "storedb/columntext.h"
#include "storedb/datetime.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"

#include <QSqlRecord>

namespace storedb {

namespace {
const QString kHwh = QStringLiteral("hwh");
const QString kHwlbh = QStringLiteral("hwlbh");
const QString kSl = QStringLiteral("sl");
const QString kJsj = QStringLiteral("jsj");

const QString kCategoryNumber = QStringLiteral("商品类别号");
const QString kCategoryName = QStringLiteral("商品类别名");
const QString kGoodsNumber = QStringLiteral("商品号");
const QString kGoodsName = QStringLiteral("商品名称");
const QString kPassword = QStringLiteral("密码");

std::optional<QString> password(const QVariant& mm) {
    if (mm.isNull())
        return std::nullopt;
    return mm.toString();
}

Params movementParams(const Movement& m) {
    return {{kHwh, m.hwh},
            {kHwlbh, m.hwlbh},
            {QStringLiteral("dj"), roundFen(m.dj)},
            {kSl, m.sl},
            {QStringLiteral("rhj"), roundFen(m.rhj)},
            {QStringLiteral("crhsj"), dateParam(m.crhsj)},
            {QStringLiteral("glyh"),
             m.glyh.isNull() ? QVariant(QMetaType::fromType<QString>()) : m.glyh},
            {QStringLiteral("crk"), m.crk},
            {QStringLiteral("hwly"),
             m.hwly.isNull() ? QVariant(QMetaType::fromType<QString>()) : m.hwly}};
}
} // namespace

std::optional<ClerkLogin> shydl(const Db& db, const QString& shyh) {
    QSqlQuery q = db.exec(QStringLiteral("shydl"),
                          QStringLiteral("select mm,shym from shyb where shyh=:shyh"),
                          {{QStringLiteral("shyh"), shyh}});
    if (!q.next())
        return std::nullopt;
    return ClerkLogin{password(q.value(0)), q.value(1).toString()};
}

void shyxgmm(const Db& db, const QString& shyh, const QString& mm) {
    checkWidth(kPassword, mm, kCodeWidth);
    db.exec(QStringLiteral("shyxgmm"), QStringLiteral("update shyb set mm=:mm where shyh=:shyh"),
            {{QStringLiteral("shyh"), shyh}, {QStringLiteral("mm"), mm}});
}

std::optional<AdministratorLogin> glydl(const Db& db, const QString& glyh) {
    QSqlQuery q = db.exec(QStringLiteral("glydl"),
                          QStringLiteral("select mm,glym from glyb where glyh=:glyh"),
                          {{QStringLiteral("glyh"), glyh}});
    if (!q.next())
        return std::nullopt;
    return AdministratorLogin{password(q.value(0)), q.value(1).toString()};
}

std::optional<GoodsAtTill> hwhdw(const Db& db, const QString& hwh) {
    // Catalogued goods never stocked have no hwb row: they show as 0 in stock.
    QSqlQuery& q = db.execKept(
        QStringLiteral("hwhdw"),
        QStringLiteral("select coalesce(hwb.kcl,0) as kcl,hwpzb.hwm,hwpzb.hwlbh,hwlbpzb.hwlbm,"
                       "coalesce(hwb.dj,0) as dj "
                       "from hwpzb left join hwb on hwb.hwh=hwpzb.hwh "
                       "left join hwlbpzb on hwlbpzb.hwlbh=hwpzb.hwlbh "
                       "where hwpzb.hwh=:hwh"),
        {{kHwh, hwh}});
    std::optional<GoodsAtTill> goods;
    if (q.next())
        goods = GoodsAtTill{q.value(0).toInt(), q.value(1).toString(), q.value(2).toString(),
                            q.value(3).toString(), q.value(4).toDouble()};
    q.finish();
    return goods;
}

bool hwbsf(const Db& db, const QString& hwh, int sl) {
    // A quantity of 0 or less would "apply" without taking anything, or add stock.
    if (sl <= 0)
        throw DbError(QStringLiteral("hwbsf: 数量 %1 无效").arg(sl));
    QSqlQuery& q =
        db.execKept(QStringLiteral("hwbsf"),
                    QStringLiteral("update hwb set kcl=kcl-:sl where hwh=:hwh and kcl>=:sl"),
                    {{kHwh, hwh}, {kSl, sl}});
    const bool taken = q.numRowsAffected() > 0;
    q.finish();
    return taken;
}

bool hwbsf1(const Db& db, const QString& hwh, int sl) {
    // Kept: a return runs it once per line, each a round trip to a server.
    QSqlQuery& q = db.execKept(QStringLiteral("hwbsf1"),
                               QStringLiteral("update hwb set kcl=kcl+:sl where hwh=:hwh"),
                               {{kHwh, hwh}, {kSl, sl}});
    const bool booked = q.numRowsAffected() > 0;
    q.finish();
    return booked;
}

qint64 accountnum(const Db& db) {
    // One statement: the row lock (PostgreSQL) or the write lock (SQLite)
    // makes the increment and the read one step, so no two tills share a number.
    QSqlQuery& q = db.execKept(
        QStringLiteral("accountnum"),
        QStringLiteral("update company set accountnum=accountnum+1 returning accountnum"));
    if (!q.next())
        throw DbError(QStringLiteral("accountnum: company 表中没有记录"));
    const qint64 num = q.value(0).toLongLong();
    q.finish();
    return num;
}

void hwrzbsf(const Db& db, const Movement& movement, qint64 num) {
    Params params = movementParams(movement);
    params.append({QStringLiteral("num"), num});
    // Kept, as hwbsf1: written once per line of a return.
    db.execKept(QStringLiteral("hwrzbsf"),
                QStringLiteral("insert into hwrzb(hwh,hwlbh,dj,sl,rhj,crhsj,glyh,crk,hwly,num) "
                               "values(:hwh,:hwlbh,:dj,:sl,:rhj,:crhsj,:glyh,:crk,:hwly,:num)"),
                params)
        .finish();
}

bool jqbsf(const Db& db, const QString& jsj, double yye) {
    QSqlQuery& q = db.execKept(QStringLiteral("jqbsf"),
                               QStringLiteral("update jqb set yye=yye+:yye where jsj=:jsj"),
                               {{kJsj, jsj}, {QStringLiteral("yye"), roundMoney(yye)}});
    const bool booked = q.numRowsAffected() > 0;
    q.finish();
    return booked;
}

double yyetj(const Db& db, const QString& jsj) {
    QSqlQuery q = db.exec(QStringLiteral("yyetj"),
                          QStringLiteral("select yye from jqb where jsj=:jsj"), {{kJsj, jsj}});
    return q.next() ? roundFen(q.value(0).toDouble()) : 0.0;
}

void yyesc(const Db& db, const QString& jsj) {
    db.exec(QStringLiteral("yyesc"),
            QStringLiteral("delete from shyrzb where jsj=:jsj and zxsj is null"), {{kJsj, jsj}});
}

std::optional<GoodsInCatalogue> spglsph(const Db& db, const QString& hwh) {
    QSqlQuery q = db.exec(
        QStringLiteral("spglsph"),
        QStringLiteral("select hwpzb.hwm,hwlbpzb.hwlbm,hwpzb.hwlbh from hwpzb "
                       "left join hwlbpzb on hwlbpzb.hwlbh=hwpzb.hwlbh where hwpzb.hwh=:hwh"),
        {{kHwh, hwh}});
    if (!q.next())
        return std::nullopt;
    return GoodsInCatalogue{q.value(0).toString(), q.value(1).toString(), q.value(2).toString()};
}

void jrhwrzb(const Db& db, const Movement& movement) {
    db.exec(QStringLiteral("jrhwrzb"),
            QStringLiteral("insert into hwrzb(hwh,hwlbh,dj,sl,rhj,crhsj,glyh,crk,hwly) "
                           "values(:hwh,:hwlbh,:dj,:sl,:rhj,:crhsj,:glyh,:crk,:hwly)"),
            movementParams(movement));
}

void xghwb(const Db& db, const QString& hwh, double dj, int kcl) {
    db.exec(QStringLiteral("xghwb"),
            QStringLiteral("update hwb set kcl=kcl+:kcl,dj=:dj where hwh=:hwh"),
            {{kHwh, hwh}, {QStringLiteral("dj"), roundFen(dj)}, {QStringLiteral("kcl"), kcl}});
}

void xghwb2(const Db& db, const QString& hwlbh, const QString& hwh, double dj, int kcl) {
    db.exec(QStringLiteral("xghwb2"),
            QStringLiteral("insert into hwb(hwh,hwlbh,dj,kcl) values(:hwh,:hwlbh,:dj,:kcl)"),
            {{kHwlbh, hwlbh},
             {kHwh, hwh},
             {QStringLiteral("dj"), roundFen(dj)},
             {QStringLiteral("kcl"), kcl}});
}

void xghwb1(const Db& db, const QString& hwh, int kcl) {
    db.exec(QStringLiteral("xghwb1"), QStringLiteral("update hwb set kcl=kcl-:kcl where hwh=:hwh"),
            {{kHwh, hwh}, {QStringLiteral("kcl"), kcl}});
}

QSqlQuery splbpz(const Db& db) {
    return db.exec(
        QStringLiteral("splbpz"),
        QStringLiteral(
            "select hwlbh as 商品类别号,hwlbm as 商品类别名 from hwlbpzb order by hwlbh"));
}

void splbpztj(const Db& db, const QString& hwlbh, const QString& hwlbm) {
    checkNumber(kCategoryNumber, hwlbh);
    checkName(kCategoryName, hwlbm);
    db.exec(QStringLiteral("splbpztj"),
            QStringLiteral("insert into hwlbpzb(hwlbh,hwlbm) values(:hwlbh,:hwlbm)"),
            {{kHwlbh, hwlbh}, {QStringLiteral("hwlbm"), hwlbm}});
}

void splbpzxg(const Db& db, const QString& hwlbh, const QString& hwlbm) {
    checkName(kCategoryName, hwlbm);
    db.exec(QStringLiteral("splbpzxg"),
            QStringLiteral("update hwlbpzb set hwlbm=:hwlbm where hwlbh=:hwlbh"),
            {{kHwlbh, hwlbh}, {QStringLiteral("hwlbm"), hwlbm}});
}

void splbpzsc(const Db& db, const QString& hwlbh) {
    db.exec(QStringLiteral("splbpzsc"), QStringLiteral("delete from hwlbpzb where hwlbh=:hwlbh"),
            {{kHwlbh, hwlbh}});
}

void splbpzschwb(const Db& db, const QString& hwlbh) {
    db.exec(QStringLiteral("splbpzschwb"), QStringLiteral("delete from hwb where hwlbh=:hwlbh"),
            {{kHwlbh, hwlbh}});
}

void splbpzschwpzb(const Db& db, const QString& hwlbh) {
    db.exec(QStringLiteral("splbpzschwpzb"), QStringLiteral("delete from hwpzb where hwlbh=:hwlbh"),
            {{kHwlbh, hwlbh}});
}

QSqlQuery sppz1(const Db& db) {
    return db.exec(QStringLiteral("sppz1"),
                   QStringLiteral("select hwh as 商品号,hwm as 商品名 from hwpzb order by hwh"));
}

QSqlQuery sppz(const Db& db, const QString& hwlbh) {
    return db.exec(
        QStringLiteral("sppz"),
        QStringLiteral(
            "select hwh as 商品号,hwm as 商品名 from hwpzb where hwlbh=:hwlbh order by hwh"),
        {{kHwlbh, hwlbh}});
}

void sppztj(const Db& db, const QString& hwlbh, const QString& hwh, const QString& hwm) {
    checkNumber(kGoodsNumber, hwh);
    checkName(kGoodsName, hwm);
    db.exec(QStringLiteral("sppztj"),
            QStringLiteral("insert into hwpzb(hwh,hwm,hwlbh) values(:hwh,:hwm,:hwlbh)"),
            {{kHwlbh, hwlbh}, {kHwh, hwh}, {QStringLiteral("hwm"), hwm}});
}

void sppzxg(const Db& db, const QString& hwh, const QString& hwm) {
    checkName(kGoodsName, hwm);
    db.exec(QStringLiteral("sppzxg"), QStringLiteral("update hwpzb set hwm=:hwm where hwh=:hwh"),
            {{kHwh, hwh}, {QStringLiteral("hwm"), hwm}});
}

void sppzsc(const Db& db, const QString& hwh) {
    db.exec(QStringLiteral("sppzsc"), QStringLiteral("delete from hwpzb where hwh=:hwh"),
            {{kHwh, hwh}});
}

void checkTillFloat(double ye) {
    // numeric(9,1); PostgreSQL would refuse more in its own words, SQLite keep it.
    if (!(ye >= 0 && roundMoney(ye) <= 99999999.9))
        throw InvalidValueError(QStringLiteral("初始营业额必须是0到99999999.9之间的数！"));
}

void jsjzc(const Db& db, const QString& jsj, const QVariant& shyh, double ye, double yye,
           const QString& zt) {
    checkTillName(jsj);
    checkTillFloat(ye);
    db.exec(
        QStringLiteral("jsjzc"),
        QStringLiteral("insert into jqb(jsj,shyh,ye,yye,zt) values(:jsj,:shyh,:ye,:yye,:zt)"),
        {{kJsj, jsj},
         {QStringLiteral("shyh"), shyh.isNull() ? QVariant(QMetaType::fromType<QString>()) : shyh},
         {QStringLiteral("ye"), roundMoney(ye)},
         {QStringLiteral("yye"), roundMoney(yye)},
         {QStringLiteral("zt"), zt}});
}

void insertAdministrator(const Db& db, const QString& glyh, const QString& glym,
                         const QString& mm) {
    checkNumber(QStringLiteral("管理员号"), glyh);
    checkName(QStringLiteral("管理员名"), glym);
    checkWidth(kPassword, mm, kCodeWidth);
    db.exec(
        QStringLiteral("add administrator"),
        QStringList{QStringLiteral("insert into glyb "), QStringLiteral("values(:glyh,:glym,:mm)")},
        {{QStringLiteral("glyh"), glyh},
         {QStringLiteral("glym"), glym},
         {QStringLiteral("mm"), mm}});
}

void insertClerk(const Db& db, const QString& shyh, const QString& shym) {
    checkNumber(QStringLiteral("售货员号"), shyh);
    checkName(QStringLiteral("售货员名"), shym);
    db.exec(
        QStringLiteral("add clerk"),
        QStringList{QStringLiteral("insert into shyb "), QStringLiteral("values(:shyh,:shym,:mm)")},
        {{QStringLiteral("shyh"), shyh},
         {QStringLiteral("shym"), shym},
         {QStringLiteral("mm"), shyh}});
}

QSqlQuery yyejs(const Db& db) {
    return db.exec(
        QStringLiteral("yyejs"),
        QStringLiteral("select shyh as 售货员号,zxsj as 时间,qye+yye-xye as 应交金额 from shyrzb "
                       "where bj='未交' and qye+yye-xye>0 order by shyh,zxsj"));
}

} // namespace storedb
