#pragma once

// The named database operations both programs call. Each keeps the name and
// the named parameters of the operation it stands for; rows come back as
// small structs, or as a query where a grid shows them.

#include "storedb/connection.h"

#include <QDate>
#include <QSqlQuery>
#include <QString>
#include <optional>

namespace storedb {

// The stored password; none when the row holds null, so that it differs from
// every typed text, the empty one included.
struct ClerkLogin {
    std::optional<QString> mm;
    QString shym;
};
struct AdministratorLogin {
    std::optional<QString> mm;
    QString glym;
};
struct GoodsAtTill {
    int kcl = 0;
    QString hwm;
    QString hwlbh;
    QString hwlbm;
    double dj = 0;
};
struct GoodsInCatalogue {
    QString hwm;
    QString hwlbm;
    QString hwlbh;
};
// One row of the movement log.
struct Movement {
    QString hwh;
    QString hwlbh;
    double dj = 0;
    int sl = 0;
    double rhj = 0;
    QDate crhsj;   // stored as its midnight
    QVariant glyh; // null for sales
    QString crk;   // "入库" or "出库"
    QVariant hwly; // null for sales
};

inline const QString kStockIn = QStringLiteral("入库");
inline const QString kStockOut = QStringLiteral("出库");
inline const QString kTillStandby = QStringLiteral("待机");
inline const QString kTillOnline = QStringLiteral("在线");
inline const QString kNotHandedIn = QStringLiteral("未交");
inline const QString kHandedIn = QStringLiteral("已交");

// Clerks and administrators
std::optional<ClerkLogin> shydl(const Db& db, const QString& shyh);
void shyxgmm(const Db& db, const QString& shyh, const QString& mm);
std::optional<AdministratorLogin> glydl(const Db& db, const QString& glyh);

// The till
std::optional<GoodsAtTill> hwhdw(const Db& db, const QString& hwh);
// Takes sl pieces out of stock only while the stock covers them, in one
// statement; false (and nothing changed) when it does not.
// A quantity of 0 or less is an error (DbError).
bool hwbsf(const Db& db, const QString& hwh, int sl);
// False when the goods have no stock row (deleted).
bool hwbsf1(const Db& db, const QString& hwh, int sl);
// A new bill number, each handed out once even under concurrent tills.
qint64 accountnum(const Db& db);
void hwrzbsf(const Db& db, const Movement& movement, qint64 num);
// False when no till bears the name (the takings went nowhere).
bool jqbsf(const Db& db, const QString& jsj, double yye);
double yyetj(const Db& db, const QString& jsj);
void yyesc(const Db& db, const QString& jsj);

// Stock movements in the back office
std::optional<GoodsInCatalogue> spglsph(const Db& db, const QString& hwh);
void jrhwrzb(const Db& db, const Movement& movement);
void xghwb(const Db& db, const QString& hwh, double dj, int kcl);
void xghwb2(const Db& db, const QString& hwlbh, const QString& hwh, double dj, int kcl);
void xghwb1(const Db& db, const QString& hwh, int kcl);

// Numbers and names written below follow the rules of columntext.h and are
// refused with InvalidValueError otherwise; the keys of updates are matched
// as given.

// Categories: rows "商品类别号", "商品类别名"
QSqlQuery splbpz(const Db& db);
void splbpztj(const Db& db, const QString& hwlbh, const QString& hwlbm);
void splbpzxg(const Db& db, const QString& hwlbh, const QString& hwlbm);
void splbpzsc(const Db& db, const QString& hwlbh);
void splbpzschwb(const Db& db, const QString& hwlbh);
void splbpzschwpzb(const Db& db, const QString& hwlbh);

// Goods: rows "商品号", "商品名"
QSqlQuery sppz1(const Db& db);
QSqlQuery sppz(const Db& db, const QString& hwlbh);
void sppztj(const Db& db, const QString& hwlbh, const QString& hwh, const QString& hwm);
void sppzxg(const Db& db, const QString& hwh, const QString& hwm);
void sppzsc(const Db& db, const QString& hwh);

// A till's float (jqb.ye, numeric(9,1)) lies between 0 and 99999999.9 once
// rounded to one decimal; InvalidValueError otherwise.
void checkTillFloat(double ye);

// Tills and takings. The computer name must pass checkTillName() and the
// float checkTillFloat().
void jsjzc(const Db& db, const QString& jsj, const QVariant& shyh, double ye, double yye,
           const QString& zt);
// People (the personnel statements of the back office): a new administrator;
// a new clerk, whose first password is the clerk number.
void insertAdministrator(const Db& db, const QString& glyh, const QString& glym, const QString& mm);
void insertClerk(const Db& db, const QString& shyh, const QString& shym);

// Owed shifts of every clerk: 售货员号, 时间, 应交金额
QSqlQuery yyejs(const Db& db);

} // namespace storedb
