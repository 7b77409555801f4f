#include "storedb/till.h"

#include "storedb/backoffice.h"
#include "storedb/correction.h"
#include "storedb/datetime.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/tilllease.h"

#include <QSqlQuery>
#include <cmath>

namespace storedb {

namespace {
const QString kJsj = QStringLiteral("jsj");

qint64 tenths(double yuan) {
    return std::llround(roundMoney(yuan) * 10.0);
}
} // namespace

std::optional<TillRow> tillRow(const Db& db, const QString& jsj) {
    QSqlQuery q =
        db.exec(QStringLiteral("jqb"),
                QStringLiteral("select shyh,ye,yye,zt from jqb where jsj=:jsj"), {{kJsj, jsj}});
    if (!q.next())
        return std::nullopt;
    return TillRow{q.value(0), roundMoney(q.value(1).toDouble()), roundMoney(q.value(2).toDouble()),
                   q.value(3).toString()};
}

ShiftFigures handInFor(double takings, double drawerFloat) {
    const qint64 t = tenths(takings);
    const qint64 s = t + tenths(drawerFloat);
    // Whole hundreds that leave at least 100 yuan (1000 tenths) in the drawer.
    const qint64 h = s >= 2000 ? (s - 1000) / 1000 * 1000 : 0;
    return ShiftFigures{double(t) / 10.0, double(h) / 10.0, double(s - h) / 10.0};
}

namespace {

QString notRegistered(const QString& jsj) {
    return QStringLiteral("此计算机 %1 没有注册，请通知管理员注册！").arg(jsj);
}

TillRow registeredTill(const Db& db, const QString& jsj) {
    std::optional<TillRow> till = tillRow(db, jsj);
    if (!till)
        throw TillNotRegisteredError(notRegistered(jsj));
    return *till;
}

// The till's open shift row: its float and what charging has booked to it.
struct OpenShift {
    double qye = 0;
    double yye = 0;
};
std::optional<OpenShift> openShift(const Db& db, const QString& jsj) {
    QSqlQuery q = db.exec(QStringLiteral("open shift"),
                          QStringList{QStringLiteral("select qye,coalesce(yye,0) from shyrzb"),
                                      QStringLiteral("where jsj=:jsj and zxsj is null"),
                                      QStringLiteral("order by dlsj desc limit 1")},
                          {{kJsj, jsj}});
    if (!q.next())
        return std::nullopt;
    return OpenShift{roundMoney(q.value(0).toDouble()), roundMoney(q.value(1).toDouble())};
}

bool owesMoney(const ShiftFigures& figures) {
    return figures.takings != 0 || figures.handIn != 0;
}

void closeShiftRow(const Db& db, const QString& jsj, const QDateTime& now,
                   const ShiftFigures& figures) {
    // A shift that took nothing but still hands cash in keeps its row, so that
    // settlement sees what is owed; only a shift without any money leaves none.
    if (owesMoney(figures)) {
        db.exec(QStringLiteral("close shift shyrzb"),
                QStringList{QStringLiteral("update shyrzb SET zxsj=:zxsj,yye=:yye,xye=:xye,bj=:bj"),
                            QStringLiteral("where jsj=:jsj and zxsj is null")},
                {{QStringLiteral("zxsj"), dateTimeParam(now)},
                 {QStringLiteral("yye"), figures.takings},
                 {QStringLiteral("xye"), figures.left},
                 {QStringLiteral("bj"), kNotHandedIn},
                 {kJsj, jsj}});
    } else {
        yyesc(db, jsj);
    }
}

// The till's row is gone: the shift row is all that is left of the shift.
ShiftFigures closeShiftOfRemovedTill(const Db& db, const QString& jsj, const QDateTime& now) {
    const std::optional<OpenShift> shift = openShift(db, jsj);
    ShiftFigures figures = shift ? handInFor(shift->yye, shift->qye) : ShiftFigures{};
    figures.tillRegistered = false;
    if (shift)
        closeShiftRow(db, jsj, now, figures);
    return figures;
}

// The pending lines of a shift that never signed off were never charged:
// their pieces go back to stock, the shift is closed and its table dropped.
void windUpShift(const Db& db, const QString& jsj, const QDateTime& now) {
    for (const SaleLine& line : saleLines(db, jsj))
        hwbsf1(db, line.hwh, line.sl);
    closeShift(db, jsj, now);
    dropSaleTable(db, jsj);
}

void bookSignOn(const Db& db, const QString& jsj, const QString& shyh, const QDateTime& now,
                double qye) {
    QSqlQuery online =
        db.exec(QStringLiteral("ADOQueryjqb"),
                QStringList{QStringLiteral("update jqb SET shyh=:shyh,zt=:zt"),
                            QStringLiteral("where jsj=:jsj")},
                {{kJsj, jsj}, {QStringLiteral("shyh"), shyh}, {QStringLiteral("zt"), kTillOnline}});
    // Removed by the back office a moment ago: no shift for a till that is not there.
    if (online.numRowsAffected() <= 0)
        throw TillNotRegisteredError(notRegistered(jsj));
    db.exec(QStringLiteral("ADOQueryshyrzb"),
            QStringLiteral("insert into shyrzb(shyh,jsj,dlsj,qye) values(:shyh,:jsj,:dlsj,:qye)"),
            {{QStringLiteral("shyh"), shyh},
             {kJsj, jsj},
             {QStringLiteral("dlsj"), dateTimeParam(now)},
             {QStringLiteral("qye"), roundMoney(qye)}});
}

} // namespace

ShiftFigures closeShift(const Db& db, const QString& jsj, const QDateTime& now) {
    const TillRow till = registeredTill(db, jsj);
    const ShiftFigures figures = handInFor(till.yye, till.ye);
    // Checked before anything is written: resetting the till's takings with no
    // shift row to carry them would lose them, whether or not the caller runs
    // a transaction.
    if (owesMoney(figures) && !openShift(db, jsj))
        throw ShiftLogMissingError(
            QStringLiteral("此计算机 %1 找不到本班的营业记录,营业额 %2 元、应交款 %3 "
                           "元无法记入！请通知管理员。")
                .arg(jsj, numberText(figures.takings), numberText(figures.handIn)));

    db.exec(QStringLiteral("close shift jqb"),
            QStringList{QStringLiteral("update jqb SET shyh=:shyh,zt=:zt,ye=:ye,yye=0"),
                        QStringLiteral("where jsj=:jsj")},
            {{QStringLiteral("shyh"), QString(QLatin1String(""))},
             {QStringLiteral("zt"), kTillStandby},
             {QStringLiteral("ye"), figures.left},
             {kJsj, jsj}});
    closeShiftRow(db, jsj, now, figures);
    return figures;
}

// Money taken on a day already closed would be on no Z. The till's row is
// locked before the day is read, and closeDay locks every till's row before
// it looks for open shifts: whichever comes second sees the other.
void refuseClosedDay(Db& db, const QString& jsj, const QDate& day) {
    db.exec(QStringLiteral("lock till"), QStringLiteral("update jqb set zt=zt where jsj=:jsj"),
            {{kJsj, jsj}});
    QSqlQuery closed = db.exec(QStringLiteral("day closed"),
                               QStringLiteral("select z from dayclose where day=:day"),
                               {{QStringLiteral("day"), dateParam(day)}});
    if (closed.next())
        throw DayClosedError(
            QStringLiteral("sign-on on closed day %1").arg(day.toString(Qt::ISODate)),
            QStringLiteral("%1 已经日结,当天不能再登录营业！")
                .arg(day.toString(QStringLiteral("yyyy-MM-dd"))));
}

SignedOn signOn(Db& db, const QString& jsj, const QString& shyh, const QDateTime& now) {
    checkSaleTableName(jsj);
    Transaction transaction(db);
    confirmTillLease(db, jsj);
    registeredTill(db, jsj);
    refuseClosedDay(db, jsj, now.date());
    SignedOn result;
    if (saleTableExists(db, jsj)) {
        windUpShift(db, jsj, now);
        result.woundUp = true;
    }
    createSaleTable(db, jsj);
    // The float the shift starts with is what the wind-up, if any, left.
    bookSignOn(db, jsj, shyh, now, registeredTill(db, jsj).ye);
    result.till = registeredTill(db, jsj);
    transaction.commit();
    return result;
}

bool openSaleTable(Db& db, const QString& jsj, const QDateTime& now) {
    if (!saleTableExists(db, jsj)) {
        createSaleTable(db, jsj);
        return false;
    }
    Transaction transaction(db);
    windUpShift(db, jsj, now);
    createSaleTable(db, jsj);
    transaction.commit();
    return true;
}

void recordSignOn(Db& db, const QString& jsj, const QString& shyh, const QDateTime& now,
                  double qye) {
    Transaction transaction(db);
    bookSignOn(db, jsj, shyh, now, qye);
    transaction.commit();
}

ShiftFigures signOff(Db& db, const QString& jsj, const QDateTime& now) {
    Transaction transaction(db);
    confirmTillLease(db, jsj);
    const ShiftFigures figures =
        tillRow(db, jsj) ? closeShift(db, jsj, now) : closeShiftOfRemovedTill(db, jsj, now);
    dropSaleTable(db, jsj);
    transaction.commit();
    return figures;
}

LostTillWoundUp windUpLostTill(Db& db, const QString& jsj, const QString& glyh,
                               const QDateTime& now) {
    Transaction transaction(db);
    // The lease before the till's row, in the order the till's own
    // transactions take them.
    takeOverLostTill(db, jsj, glyh);
    const TillRow till = registeredTill(db, jsj);
    if (till.zt != kTillOnline)
        throw TillNotOnDutyError(QStringLiteral("收款机 %1 没有在营业,不需要结束营业。").arg(jsj));
    LostTillWoundUp result;
    result.shyh = till.shyh.toString();
    if (saleTableExists(db, jsj)) {
        const QList<SaleLine> lines = saleLines(db, jsj);
        result.linesReturned = int(lines.size());
        for (const SaleLine& line : lines)
            hwbsf1(db, line.hwh, line.sl);
        dropSaleTable(db, jsj);
    }
    result.figures = closeShift(db, jsj, now);
    writeChangeRecord(
        db,
        ChangeRecord{kTillWindUpKind, QString(), QVariant(), QVariant(),
                     QStringLiteral("收款机 %1 失去联系,售货员 %2 在线").arg(jsj, result.shyh),
                     QStringLiteral("待机,营业额 %1 元,应交款 %2 元,退回库存 %3 行")
                         .arg(numberText(result.figures.takings), numberText(result.figures.handIn))
                         .arg(result.linesReturned),
                     QVariant()},
        glyh, now);
    transaction.commit();
    return result;
}

bool changeTillFloat(Db& db, const QString& jsj, double ye, const QString& glyh,
                     const QDateTime& now) {
    checkTillFloat(ye);
    Transaction transaction(db);
    // A sign-on cannot slip in between the look and the change.
    lockAgainstWriters(db, QStringLiteral("jqb"));
    const std::optional<TillRow> till = tillRow(db, jsj);
    if (!till)
        return false;
    if (till->zt == kTillOnline)
        throw TillOnlineError(
            QStringLiteral("该营业端正在营业,不能修改余额！请等售货员注销后再修改。"));
    db.exec(QStringLiteral("change till float"),
            QStringLiteral("update jqb set ye=:ye where jsj=:jsj"),
            {{QStringLiteral("ye"), roundMoney(ye)}, {kJsj, jsj}});
    writeChangeRecord(
        db,
        ChangeRecord{kTillFloatKind, QString(), QVariant(), QVariant(),
                     QStringLiteral("收款机 %1 余额 %2").arg(jsj, numberText(till->ye)),
                     QStringLiteral("收款机 %1 余额 %2").arg(jsj, numberText(roundMoney(ye))),
                     QVariant()},
        glyh, now);
    transaction.commit();
    return true;
}

AddedLine addSaleLine(Db& db, const QString& jsj, const QString& hwh, const GoodsAtTill& goods,
                      int sl) {
    Transaction transaction(db, Durability::Lazy);
    confirmTillLease(db, jsj);
    if (!hwbsf(db, hwh, sl)) {
        const std::optional<GoodsAtTill> now = hwhdw(db, hwh);
        return AddedLine{false, 0, now ? now->kcl : 0};
    }
    SaleLine line;
    line.hwh = hwh;
    line.hwm = goods.hwm;
    line.hwlbh = goods.hwlbh;
    line.dj = goods.dj;
    line.sl = sl;
    // The line is priced at the unit price the sale table keeps (one decimal
    // place), so that the line, the receipt and the logged sale agree.
    line.jg = sl * roundMoney(goods.dj);
    const int bh = insertSaleLine(db, jsj, line);
    transaction.commit();
    return AddedLine{true, bh, 0};
}

std::optional<SaleLine> findSaleLine(const Db& db, const QString& jsj, int bh) {
    QSqlQuery q = db.exec(QStringLiteral("ADOTablelsb"),
                          QStringLiteral("select hwh,hwm,hwlbh,dj,sl,jg,bh from %1 where bh=:bh")
                              .arg(saleTableIdentifier(jsj)),
                          {{QStringLiteral("bh"), bh}});
    if (!q.next())
        return std::nullopt;
    return SaleLine{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                    q.value(3).toDouble(), q.value(4).toInt(),    q.value(5).toDouble(),
                    q.value(6).toInt()};
}

bool removeSaleLine(Db& db, const QString& jsj, int bh) {
    Transaction transaction(db, Durability::Lazy);
    confirmTillLease(db, jsj);
    // The pieces returned are those of the line as it stands when deleted.
    const std::optional<SaleLine> line = findSaleLine(db, jsj, bh);
    if (!line || !deleteSaleLine(db, jsj, bh))
        return false;
    hwbsf1(db, line->hwh, line->sl);
    transaction.commit();
    return true;
}

int saleLineCount(const Db& db, const QString& jsj) {
    QSqlQuery q = db.exec(QStringLiteral("ADOQuerylsb"),
                          QStringLiteral("select count(*) from %1").arg(saleTableIdentifier(jsj)));
    return q.next() ? q.value(0).toInt() : 0;
}

} // namespace storedb
