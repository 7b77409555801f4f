#include "storedb/till.h"

#include "storedb/datetime.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"

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

ShiftFigures closeShift(const Db& db, const QString& jsj, const QDateTime& now) {
    const std::optional<TillRow> till = tillRow(db, jsj);
    if (!till)
        throw DbError(QStringLiteral("此计算机 %1 没有注册").arg(jsj));
    const ShiftFigures figures = handInFor(till->yye, till->ye);

    db.exec(QStringLiteral("close shift jqb"),
            QStringList{QStringLiteral("update jqb SET shyh=:shyh,zt=:zt,ye=:ye,yye=0"),
                        QStringLiteral("where jsj=:jsj")},
            {{QStringLiteral("shyh"), QString(QLatin1String(""))},
             {QStringLiteral("zt"), kTillStandby},
             {QStringLiteral("ye"), figures.left},
             {kJsj, jsj}});

    // A shift that took nothing but still hands cash in keeps its row, so that
    // settlement sees what is owed; only a shift without any money leaves none.
    if (figures.takings != 0 || figures.handIn != 0) {
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
    return figures;
}

bool openSaleTable(Db& db, const QString& jsj, const QDateTime& now) {
    if (!saleTableExists(db, jsj)) {
        createSaleTable(db, jsj);
        return false;
    }
    Transaction transaction(db);
    // The unfinished shift's pending lines were never charged: their pieces
    // belong in stock again.
    for (const SaleLine& line : saleLines(db, jsj))
        hwbsf1(db, line.hwh, line.sl);
    closeShift(db, jsj, now);
    dropSaleTable(db, jsj);
    createSaleTable(db, jsj);
    transaction.commit();
    return true;
}

void recordSignOn(Db& db, const QString& jsj, const QString& shyh, const QDateTime& now,
                  double qye) {
    Transaction transaction(db);
    db.exec(QStringLiteral("ADOQueryjqb"),
            QStringList{QStringLiteral("update jqb SET shyh=:shyh,zt=:zt"),
                        QStringLiteral("where jsj=:jsj")},
            {{kJsj, jsj}, {QStringLiteral("shyh"), shyh}, {QStringLiteral("zt"), kTillOnline}});
    db.exec(QStringLiteral("ADOQueryshyrzb"),
            QStringLiteral("insert into shyrzb(shyh,jsj,dlsj,qye) values(:shyh,:jsj,:dlsj,:qye)"),
            {{QStringLiteral("shyh"), shyh},
             {kJsj, jsj},
             {QStringLiteral("dlsj"), dateTimeParam(now)},
             {QStringLiteral("qye"), roundMoney(qye)}});
    transaction.commit();
}

ShiftFigures signOff(Db& db, const QString& jsj, const QDateTime& now) {
    Transaction transaction(db);
    const ShiftFigures figures = closeShift(db, jsj, now);
    dropSaleTable(db, jsj);
    transaction.commit();
    return figures;
}

AddedLine addSaleLine(Db& db, const QString& jsj, const QString& hwh, const GoodsAtTill& goods,
                      int sl) {
    Transaction transaction(db);
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
    line.jg = sl * goods.dj;
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
    Transaction transaction(db);
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
