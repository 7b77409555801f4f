#include "storedb/dayclose.h"

#include "storedb/datetime.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>
#include <cmath>

namespace storedb {

namespace {

const QString kDayFormat = QStringLiteral("yyyy-MM-dd");
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kColumns =
    QStringLiteral("select z,day,closed,glyh,nettakings,grandtotal,figures,hash from dayclose");

qint64 fenOf(const QVariant& value) {
    return std::llround(value.toDouble() * 100);
}

QString dayText(const QDate& day) {
    return day.toString(kDayFormat);
}

[[noreturn]] void refuse(const QString& text) {
    throw DayCloseRefusedError(QStringLiteral("close day refused: ") + text, text);
}

// A stored row as it stands, before its text is read.
struct StoredZ {
    qint64 z = 0;
    QDate day;
    QDateTime closed;
    QString glyh;
    qint64 netTakings = 0;
    qint64 grandTotal = 0;
    QString figuresText;
    QString hash;
};

StoredZ storedZ(const QSqlQuery& q) {
    return StoredZ{q.value(0).toLongLong(),  readDateTime(q.value(1)).date(),
                   readDateTime(q.value(2)), q.value(3).toString(),
                   fenOf(q.value(4)),        fenOf(q.value(5)),
                   q.value(6).toString(),    q.value(7).toString()};
}

std::optional<StoredZ> lastStoredZ(const Db& db) {
    QSqlQuery q =
        db.exec(QStringLiteral("last z"), kColumns + QStringLiteral(" order by z desc limit 1"));
    if (!q.next())
        return std::nullopt;
    return storedZ(q);
}

// The Z as its text tells it; false when the text is not a Z's, or its
// columns say otherwise than the text they were hashed with.
bool readStoredZ(const StoredZ& row, DayClose& z) {
    z.z = row.z;
    z.day = row.day;
    z.closed = row.closed;
    z.glyh = row.glyh;
    z.netTakings = row.netTakings;
    z.grandTotal = row.grandTotal;
    z.figuresText = row.figuresText;
    z.hash = row.hash;
    const QJsonDocument document = QJsonDocument::fromJson(row.figuresText.toUtf8());
    const QJsonObject o = document.object();
    if (!document.isObject() || !readFiguresObject(o, z.figures))
        return false;
    z.previousHash = o.value(QStringLiteral("previous")).toString();
    for (const QJsonValue& c : o.value(QStringLiteral("closeddays")).toArray()) {
        z.closedDayCorrections.append(EarlierDayCorrection{});
        if (!readEarlierDayCorrection(c, z.closedDayCorrections.last()))
            return false;
    }
    return z.figures.day == row.day && z.figures.total.net() == row.netTakings &&
           fenText(row.grandTotal) == o.value(QStringLiteral("grandtotal")).toString() &&
           row.closed.toString(kTimeFormat) == o.value(QStringLiteral("closed")).toString() &&
           row.glyh == o.value(QStringLiteral("glyh")).toString();
}

// Corrections made since the last Z to rows of days it (or one before it)
// closed: the closed days' figures no longer show them.
QList<EarlierDayCorrection> closedDayCorrections(const Db& db, const StoredZ& last) {
    QSqlQuery q = db.exec(
        QStringLiteral("closed day corrections"),
        QStringList{QStringLiteral("select id,changed,glyh,hwh,bh,day,round(amount*100)"),
                    QStringLiteral("from changerecord where changed>:closed and kind=:kind"),
                    QStringLiteral("and day<:after order by changed,id")},
        {{QStringLiteral("closed"), dateTimeParam(last.closed)},
         {QStringLiteral("kind"), QStringLiteral("更正")},
         {QStringLiteral("after"), dateParam(last.day.addDays(1))}});
    QList<EarlierDayCorrection> list;
    while (q.next())
        list << EarlierDayCorrection{q.value(0).toLongLong(),
                                     readDateTime(q.value(1)),
                                     q.value(2).toString(),
                                     q.value(3).toString(),
                                     q.value(4).toLongLong(),
                                     readDateTime(q.value(5)).date(),
                                     std::llround(q.value(6).toDouble())};
    return list;
}

// The first day from `first` to before `end` on which a till sold, refunded
// or signed on, or takings were settled; invalid when none did.
QDate firstDayWithMoney(const Db& db, const QDate& first, const QDate& end) {
    if (first >= end)
        return {};
    QSqlQuery q = db.exec(
        QStringLiteral("first day with money"),
        QStringList{
            QStringLiteral("select min(t) from ("),
            QStringLiteral("select min(sold) as t from salebill where sold>=:first and sold<:end"),
            QStringLiteral("union all select min(returned) from salereturn"),
            QStringLiteral("where returned>=:first and returned<:end"),
            QStringLiteral(
                "union all select min(dlsj) from shyrzb where dlsj>=:first and dlsj<:end"),
            QStringLiteral("union all select min(settled) from settlement"),
            QStringLiteral("where settled>=:first and settled<:end) m")},
        {{QStringLiteral("first"), dateParam(first)}, {QStringLiteral("end"), dateParam(end)}});
    return q.next() ? readDateTime(q.value(0)).date() : QDate();
}

void refuseUnclosable(const Db& db, const QDate& day, const QDateTime& now,
                      const std::optional<StoredZ>& last) {
    if (day > now.date())
        refuse(QStringLiteral("%1 还没有到,不能日结！").arg(dayText(day)));
    QSqlQuery closed = db.exec(QStringLiteral("day closed"),
                               QStringLiteral("select z from dayclose where day=:day"),
                               {{QStringLiteral("day"), dateParam(day)}});
    if (closed.next())
        refuse(QStringLiteral("%1 已经日结(第 %2 号日结),不能再次日结！")
                   .arg(dayText(day), QString::number(closed.value(0).toLongLong())));
    if (last && last->day > day)
        refuse(QStringLiteral("已经日结到 %1,不能再日结更早的 %2！")
                   .arg(dayText(last->day), dayText(day)));
    // A day with money between the last Z and this one could never be closed
    // after this one (it would be earlier than the last closed): its money
    // would be on no Z. Days before the first Z are the store's history.
    if (last) {
        const QDate open = firstDayWithMoney(db, last->day.addDays(1), day);
        if (open.isValid())
            refuse(QStringLiteral("%1 有营业还没有日结,请先日结 %1！").arg(dayText(open)));
    }
    // Every till's row locked first: a sign-on waiting on it then sees this
    // Z, and one that came first is seen below (till.cpp, refuseClosedDay).
    db.exec(QStringLiteral("lock tills"), QStringLiteral("update jqb set zt=zt"));
    // A shift still open from that day or before may yet take money of it.
    QSqlQuery onDuty = db.exec(
        QStringLiteral("till on duty"),
        QStringList{QStringLiteral("select jsj,shyh,dlsj from shyrzb"),
                    QStringLiteral("where zxsj is null and dlsj<:next order by dlsj limit 1")},
        {{QStringLiteral("next"), dateParam(day.addDays(1))}});
    if (onDuty.next())
        refuse(QStringLiteral("收款机 %1 的售货员 %2 从 %3 起仍在班,请先注销再日结！")
                   .arg(onDuty.value(0).toString(), onDuty.value(1).toString(),
                        readDateTime(onDuty.value(2)).toString(kTimeFormat)));
}

} // namespace

QString dayCloseHash(const QString& previousHash, const QString& figuresText, qint64 z,
                     const QDate& day) {
    const QString input = previousHash + figuresText + QString::number(z) + dayText(day);
    return QString::fromLatin1(
        QCryptographicHash::hash(input.toUtf8(), QCryptographicHash::Sha256).toHex());
}

DayClose closeDay(Db& db, const QDate& day, const QString& glyh, const QDateTime& now) {
    Transaction transaction(db);
    const std::optional<StoredZ> last = lastStoredZ(db);
    refuseUnclosable(db, day, now, last);

    DayClose z;
    z.z = last ? last->z + 1 : 1;
    z.day = day;
    z.closed =
        QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()));
    z.glyh = glyh;
    z.figures = dayFigures(db, day);
    z.netTakings = z.figures.total.net();
    z.grandTotal = (last ? last->grandTotal : 0) + z.netTakings;
    z.previousHash = last ? last->hash : QString();
    if (last)
        z.closedDayCorrections = closedDayCorrections(db, *last);

    QJsonObject text = figuresObject(z.figures);
    QJsonArray closedDays;
    for (const EarlierDayCorrection& c : z.closedDayCorrections)
        closedDays.append(earlierDayCorrectionObject(c));
    text.insert(QStringLiteral("closeddays"), closedDays);
    text.insert(QStringLiteral("closed"), z.closed.toString(kTimeFormat));
    text.insert(QStringLiteral("glyh"), glyh);
    text.insert(QStringLiteral("grandtotal"), fenText(z.grandTotal));
    text.insert(QStringLiteral("previous"), z.previousHash);
    z.figuresText = canonicalText(text);
    z.hash = dayCloseHash(z.previousHash, z.figuresText, z.z, day);

    // Two back offices closing at once both read the same last Z: the number
    // and the day are unique, so the second writes nothing (the server makes
    // it wait for the first's commit) and is told.
    QSqlQuery insert = db.exec(
        QStringLiteral("close day"),
        QStringList{QStringLiteral("insert into dayclose(z,day,closed,glyh,nettakings,grandtotal,"
                                   "figures,hash)"),
                    QStringLiteral("values(:z,:day,:closed,:glyh,:net,:grand,:figures,:hash)"),
                    QStringLiteral("on conflict do nothing")},
        {{QStringLiteral("z"), z.z},
         {QStringLiteral("day"), dateParam(day)},
         {QStringLiteral("closed"), dateTimeParam(z.closed)},
         {QStringLiteral("glyh"), glyh},
         {QStringLiteral("net"), double(z.netTakings) / 100},
         {QStringLiteral("grand"), double(z.grandTotal) / 100},
         {QStringLiteral("figures"), z.figuresText},
         {QStringLiteral("hash"), z.hash}});
    if (insert.numRowsAffected() != 1)
        refuse(QStringLiteral("另一台电脑同时进行了日结,本次日结没有保存,请重新查看后再试！"));
    transaction.commit();
    return z;
}

std::optional<DayClose> readZ(const Db& db, qint64 z) {
    QSqlQuery q = db.exec(QStringLiteral("read z"), kColumns + QStringLiteral(" where z=:z"),
                          {{QStringLiteral("z"), z}});
    if (!q.next())
        return std::nullopt;
    DayClose read;
    if (!readStoredZ(storedZ(q), read))
        throw DbError(QStringLiteral("read z: Z %1 does not read as a Z").arg(z),
                      QStringLiteral("第 %1 号日结的数据已经损坏,请运行数据检查！").arg(z));
    return read;
}

QList<ChainFinding> verifyDayCloseChain(const Db& db) {
    QSqlQuery q = db.exec(QStringLiteral("z chain"), kColumns + QStringLiteral(" order by z"));
    QList<ChainFinding> findings;
    std::optional<StoredZ> previous;
    qint64 expected = 1;
    while (q.next()) {
        const StoredZ row = storedZ(q);
        const QString number = QString::number(row.z);
        if (row.z > expected) {
            findings.append({expected, ChainFault::Removed,
                             row.z == expected + 1
                                 ? QStringLiteral("第 %1 号日结缺失(被删除)").arg(expected)
                                 : QStringLiteral("第 %1 至 %2 号日结缺失(被删除)")
                                       .arg(expected)
                                       .arg(row.z - 1)});
            previous.reset(); // what follows a gap cannot be tied to it
        }
        DayClose read;
        const bool readable = readStoredZ(row, read);
        const bool first = row.z == 1;
        if ((previous || first) && read.previousHash != (previous ? previous->hash : QString()))
            findings.append(
                {row.z, ChainFault::Inserted,
                 QStringLiteral("第 %1 号日结不接续上一号日结的校验值(插入或替换了日结)")
                     .arg(number)});
        if (!readable ||
            row.hash != dayCloseHash(read.previousHash, row.figuresText, row.z, row.day))
            findings.append({row.z, ChainFault::Changed,
                             QStringLiteral("第 %1 号日结(%2)的数据与校验值不符(被改动)")
                                 .arg(number, dayText(row.day))});
        else if (previous && row.grandTotal != previous->grandTotal + row.netTakings)
            findings.append({row.z, ChainFault::Changed,
                             QStringLiteral("第 %1 号日结的累计净营业额 %2 元不等于上一号的 %3 "
                                            "元加本日 %4 元")
                                 .arg(number, fenText(row.grandTotal),
                                      fenText(previous->grandTotal), fenText(row.netTakings))});
        previous = row;
        expected = row.z + 1;
    }
    return findings;
}

} // namespace storedb
