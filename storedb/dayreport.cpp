#include "storedb/dayreport.h"

#include "storedb/datetime.h"
#include "storedb/procedures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSqlQuery>
#include <cmath>
#include <functional>

namespace storedb {

namespace {

const QString kCorrection = QStringLiteral("更正");
const QString kPriceChange = QStringLiteral("调价");

// Sums come back as whole fen already (each row rounded in the statement);
// SQLite hands them over as floating point.
qint64 fenOf(const QVariant& value) {
    return std::llround(value.toDouble());
}

// The first of two bill numbers, 0 meaning none.
qint64 firstOf(qint64 a, qint64 b) {
    return a == 0 ? b : (b == 0 ? a : std::min(a, b));
}

class DayReader {
  public:
    DayReader(const Db& db, const QDate& day) : db_(db) {
        figures_.day = day;
        range_ = {{QStringLiteral("start"), dateParam(day)},
                  {QStringLiteral("next"), dateParam(day.addDays(1))}};
    }

    DayFigures read() {
        readSales();
        readReturns();
        readShifts();
        readSettlements();
        readStillOwed();
        readMovements();
        readChanges();
        return figures_;
    }

  private:
    using Apply = std::function<void(TakingsFigures&)>;

    // The same figure goes to the till, the clerk and the total.
    void add(const QVariant& jsj, const QVariant& shyh, const Apply& apply) {
        apply(figures_.tills[jsj.toString()]);
        apply(figures_.clerks[shyh.toString()]);
        apply(figures_.total);
    }

    QSqlQuery dayQuery(const QString& name, const QStringList& lines, Params extra = {}) const {
        return db_.exec(name, lines, range_ + extra);
    }

    void readSales() {
        QSqlQuery q = dayQuery(
            QStringLiteral("day sales"),
            {QStringLiteral("select jsj,shyh,count(*),sum(round(total*100)),min(num),max(num)"),
             QStringLiteral("from salebill where sold>=:start and sold<:next group by jsj,shyh")});
        while (q.next()) {
            const int count = q.value(2).toInt();
            const qint64 gross = fenOf(q.value(3));
            const qint64 first = q.value(4).toLongLong();
            const qint64 last = q.value(5).toLongLong();
            add(q.value(0), q.value(1), [&](TakingsFigures& t) {
                t.sales += count;
                t.gross += gross;
                t.firstSale = firstOf(t.firstSale, first);
                t.lastSale = std::max(t.lastSale, last);
            });
        }
    }

    void readReturns() {
        QSqlQuery q = dayQuery(
            QStringLiteral("day returns"),
            {QStringLiteral("select jsj,shyh,count(*),sum(round(amount*100)),min(num),max(num)"),
             QStringLiteral("from salereturn where returned>=:start and returned<:next"),
             QStringLiteral("group by jsj,shyh")});
        while (q.next()) {
            const int count = q.value(2).toInt();
            const qint64 refunds = fenOf(q.value(3));
            const qint64 first = q.value(4).toLongLong();
            const qint64 last = q.value(5).toLongLong();
            add(q.value(0), q.value(1), [&](TakingsFigures& t) {
                t.returns += count;
                t.refunds += refunds;
                t.firstReturn = firstOf(t.firstReturn, first);
                t.lastReturn = std::max(t.lastReturn, last);
            });
        }
    }

    void readShifts() {
        QSqlQuery on = dayQuery(
            QStringLiteral("day shifts signed on"),
            {QStringLiteral("select jsj,shyh,count(*),sum(round(coalesce(qye,0)*100))"),
             QStringLiteral("from shyrzb where dlsj>=:start and dlsj<:next group by jsj,shyh")});
        while (on.next()) {
            const int count = on.value(2).toInt();
            const qint64 floats = fenOf(on.value(3));
            add(on.value(0), on.value(1), [&](TakingsFigures& t) {
                t.shiftsSignedOn += count;
                t.floats += floats;
            });
        }
        // What a shift hands in is its float and takings less the float it
        // leaves in the drawer (xye).
        QSqlQuery off = dayQuery(
            QStringLiteral("day shifts signed off"),
            {QStringLiteral("select jsj,shyh,count(*),"),
             QStringLiteral("sum(round((coalesce(qye,0)+coalesce(yye,0)-coalesce(xye,0))*100))"),
             QStringLiteral("from shyrzb where zxsj>=:start and zxsj<:next group by jsj,shyh")});
        while (off.next()) {
            const int count = off.value(2).toInt();
            const qint64 handedIn = fenOf(off.value(3));
            add(off.value(0), off.value(1), [&](TakingsFigures& t) {
                t.shiftsSignedOff += count;
                t.handedIn += handedIn;
            });
        }
    }

    void readSettlements() {
        QSqlQuery q = dayQuery(
            QStringLiteral("day settlements"),
            {QStringLiteral("select shyh,count(*),sum(round(owed*100)),sum(round(received*100)),"),
             QStringLiteral("sum(round(difference*100)) from settlement"),
             QStringLiteral("where settled>=:start and settled<:next group by shyh")});
        while (q.next()) {
            const int count = q.value(1).toInt();
            const qint64 owed = fenOf(q.value(2));
            const qint64 received = fenOf(q.value(3));
            const qint64 difference = fenOf(q.value(4));
            for (TakingsFigures* t : {&figures_.clerks[q.value(0).toString()], &figures_.total}) {
                t->settlements += count;
                t->settledOwed += owed;
                t->settledReceived += received;
                t->settledDifference += difference;
            }
        }
    }

    // Not bound to the day: what is owed at this moment.
    void readStillOwed() {
        QSqlQuery q = db_.exec(
            QStringLiteral("still owed"),
            // The state as text in the statement: the partial index on owed
            // shifts serves a constant only.
            QStringList{QStringLiteral("select jsj,shyh,sum(round((qye+yye-xye)*100)) from shyrzb"),
                        QStringLiteral("where bj='未交' and qye+yye-xye>0 group by jsj,shyh")});
        while (q.next()) {
            const qint64 owed = fenOf(q.value(2));
            add(q.value(0), q.value(1), [&](TakingsFigures& t) { t.stillOwed += owed; });
        }
    }

    // The back office's rows carry its administrator; the tills' do not.
    void readMovements() {
        QSqlQuery q = dayQuery(
            QStringLiteral("day movements"),
            {QStringLiteral("select crk,count(*),sum(sl),sum(round(sl*rhj*100)),"
                            "sum(round(sl*dj*100))"),
             QStringLiteral("from hwrzb where crhsj>=:start and crhsj<:next and glyh is not null"),
             QStringLiteral("group by crk")});
        while (q.next()) {
            const bool in = q.value(0).toString() == kStockIn;
            if (!in && q.value(0).toString() != kStockOut)
                continue;
            MovementFigures& m = in ? figures_.stockIns : figures_.stockOuts;
            m.rows = q.value(1).toInt();
            m.pieces = q.value(2).toLongLong();
            m.value = fenOf(q.value(in ? 3 : 4));
        }
    }

    void readChanges() {
        QSqlQuery q =
            dayQuery(QStringLiteral("day changes"),
                     {QStringLiteral("select id,changed,glyh,kind,hwh,bh,day,round(amount*100)"),
                      QStringLiteral("from changerecord where changed>=:start and changed<:next"),
                      QStringLiteral("order by changed,id")});
        ChangeFigures& changes = figures_.changes;
        while (q.next()) {
            const QString kind = q.value(3).toString();
            if (kind == kPriceChange) {
                ++changes.priceChanges;
                continue;
            }
            if (kind != kCorrection)
                continue;
            ++changes.corrections;
            const QDate day = readDateTime(q.value(6)).date();
            if (day.isValid() && day < figures_.day)
                changes.earlierDays << EarlierDayCorrection{
                    q.value(0).toLongLong(), readDateTime(q.value(1)), q.value(2).toString(),
                    q.value(4).toString(),   q.value(5).toLongLong(),  day,
                    fenOf(q.value(7))};
        }
    }

    const Db& db_;
    Params range_;
    DayFigures figures_;
};

// Canonical text of the figures.

const QString kDayFormat = QStringLiteral("yyyy-MM-dd");
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

bool readFen(const QJsonValue& value, qint64& fen) {
    const QString text = value.toString();
    static const QRegularExpression shape(QStringLiteral("^-?\\d+\\.\\d\\d$"));
    if (!shape.match(text).hasMatch())
        return false;
    const bool negative = text.startsWith(QLatin1Char('-'));
    const QString digits = text.mid(negative ? 1 : 0).remove(QLatin1Char('.'));
    bool ok = false;
    fen = digits.toLongLong(&ok) * (negative ? -1 : 1);
    return ok;
}

QJsonObject takingsObject(const TakingsFigures& t) {
    return QJsonObject{{QStringLiteral("sales"), t.sales},
                       {QStringLiteral("returns"), t.returns},
                       {QStringLiteral("gross"), fenText(t.gross)},
                       {QStringLiteral("refunds"), fenText(t.refunds)},
                       {QStringLiteral("net"), fenText(t.net())},
                       {QStringLiteral("shiftson"), t.shiftsSignedOn},
                       {QStringLiteral("floats"), fenText(t.floats)},
                       {QStringLiteral("shiftsoff"), t.shiftsSignedOff},
                       {QStringLiteral("handedin"), fenText(t.handedIn)},
                       {QStringLiteral("settled"), t.settlements},
                       {QStringLiteral("settledowed"), fenText(t.settledOwed)},
                       {QStringLiteral("settledreceived"), fenText(t.settledReceived)},
                       {QStringLiteral("settleddifference"), fenText(t.settledDifference)},
                       {QStringLiteral("stillowed"), fenText(t.stillOwed)},
                       {QStringLiteral("firstsale"), t.firstSale},
                       {QStringLiteral("lastsale"), t.lastSale},
                       {QStringLiteral("firstreturn"), t.firstReturn},
                       {QStringLiteral("lastreturn"), t.lastReturn}};
}

bool readTakings(const QJsonObject& o, TakingsFigures& t) {
    t.sales = o.value(QStringLiteral("sales")).toInt();
    t.returns = o.value(QStringLiteral("returns")).toInt();
    t.shiftsSignedOn = o.value(QStringLiteral("shiftson")).toInt();
    t.shiftsSignedOff = o.value(QStringLiteral("shiftsoff")).toInt();
    t.settlements = o.value(QStringLiteral("settled")).toInt();
    t.firstSale = o.value(QStringLiteral("firstsale")).toInteger();
    t.lastSale = o.value(QStringLiteral("lastsale")).toInteger();
    t.firstReturn = o.value(QStringLiteral("firstreturn")).toInteger();
    t.lastReturn = o.value(QStringLiteral("lastreturn")).toInteger();
    qint64 net = 0;
    return readFen(o.value(QStringLiteral("gross")), t.gross) &&
           readFen(o.value(QStringLiteral("refunds")), t.refunds) &&
           readFen(o.value(QStringLiteral("net")), net) && net == t.net() &&
           readFen(o.value(QStringLiteral("floats")), t.floats) &&
           readFen(o.value(QStringLiteral("handedin")), t.handedIn) &&
           readFen(o.value(QStringLiteral("settledowed")), t.settledOwed) &&
           readFen(o.value(QStringLiteral("settledreceived")), t.settledReceived) &&
           readFen(o.value(QStringLiteral("settleddifference")), t.settledDifference) &&
           readFen(o.value(QStringLiteral("stillowed")), t.stillOwed);
}

QJsonObject takingsMap(const QMap<QString, TakingsFigures>& map) {
    QJsonObject o;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        o.insert(it.key(), takingsObject(it.value()));
    return o;
}

bool readTakingsMap(const QJsonValue& value, QMap<QString, TakingsFigures>& map) {
    const QJsonObject o = value.toObject();
    for (auto it = o.constBegin(); it != o.constEnd(); ++it) {
        if (!readTakings(it.value().toObject(), map[it.key()]))
            return false;
    }
    return value.isObject();
}

QJsonObject movementObject(const MovementFigures& m) {
    return QJsonObject{{QStringLiteral("rows"), m.rows},
                       {QStringLiteral("pieces"), m.pieces},
                       {QStringLiteral("value"), fenText(m.value)}};
}

bool readMovement(const QJsonValue& value, MovementFigures& m) {
    const QJsonObject o = value.toObject();
    m.rows = o.value(QStringLiteral("rows")).toInt();
    m.pieces = o.value(QStringLiteral("pieces")).toInteger();
    return readFen(o.value(QStringLiteral("value")), m.value);
}

} // namespace

QString fenText(qint64 fen) {
    const qint64 whole = fen < 0 ? -fen : fen;
    return QStringLiteral("%1%2.%3")
        .arg(fen < 0 ? QStringLiteral("-") : QString())
        .arg(whole / 100)
        .arg(whole % 100, 2, 10, QLatin1Char('0'));
}

DayFigures dayFigures(const Db& db, const QDate& day) {
    return DayReader(db, day).read();
}

QJsonObject earlierDayCorrectionObject(const EarlierDayCorrection& c) {
    return QJsonObject{{QStringLiteral("id"), c.id},
                       {QStringLiteral("changed"), c.changed.toString(kTimeFormat)},
                       {QStringLiteral("glyh"), c.glyh},
                       {QStringLiteral("hwh"), c.hwh},
                       {QStringLiteral("bh"), c.bh},
                       {QStringLiteral("day"), c.day.toString(kDayFormat)},
                       {QStringLiteral("amount"), fenText(c.amount)}};
}

bool readEarlierDayCorrection(const QJsonValue& value, EarlierDayCorrection& c) {
    const QJsonObject o = value.toObject();
    c.id = o.value(QStringLiteral("id")).toInteger();
    c.changed = QDateTime::fromString(o.value(QStringLiteral("changed")).toString(), kTimeFormat);
    c.glyh = o.value(QStringLiteral("glyh")).toString();
    c.hwh = o.value(QStringLiteral("hwh")).toString();
    c.bh = o.value(QStringLiteral("bh")).toInteger();
    c.day = QDate::fromString(o.value(QStringLiteral("day")).toString(), kDayFormat);
    return value.isObject() && readFen(o.value(QStringLiteral("amount")), c.amount);
}

QJsonObject figuresObject(const DayFigures& figures) {
    QJsonArray earlier;
    for (const EarlierDayCorrection& c : figures.changes.earlierDays)
        earlier.append(earlierDayCorrectionObject(c));
    return QJsonObject{{QStringLiteral("day"), figures.day.toString(kDayFormat)},
                       {QStringLiteral("tills"), takingsMap(figures.tills)},
                       {QStringLiteral("clerks"), takingsMap(figures.clerks)},
                       {QStringLiteral("total"), takingsObject(figures.total)},
                       {QStringLiteral("stockins"), movementObject(figures.stockIns)},
                       {QStringLiteral("stockouts"), movementObject(figures.stockOuts)},
                       {QStringLiteral("changes"),
                        QJsonObject{{QStringLiteral("corrections"), figures.changes.corrections},
                                    {QStringLiteral("pricechanges"), figures.changes.priceChanges},
                                    {QStringLiteral("earlierdays"), earlier}}}};
}

bool readFiguresObject(const QJsonObject& object, DayFigures& figures) {
    figures = DayFigures{};
    figures.day = QDate::fromString(object.value(QStringLiteral("day")).toString(), kDayFormat);
    const QJsonObject changes = object.value(QStringLiteral("changes")).toObject();
    figures.changes.corrections = changes.value(QStringLiteral("corrections")).toInt();
    figures.changes.priceChanges = changes.value(QStringLiteral("pricechanges")).toInt();
    for (const QJsonValue& c : changes.value(QStringLiteral("earlierdays")).toArray()) {
        figures.changes.earlierDays.append(EarlierDayCorrection{});
        if (!readEarlierDayCorrection(c, figures.changes.earlierDays.last()))
            return false;
    }
    return figures.day.isValid() &&
           readTakingsMap(object.value(QStringLiteral("tills")), figures.tills) &&
           readTakingsMap(object.value(QStringLiteral("clerks")), figures.clerks) &&
           readTakings(object.value(QStringLiteral("total")).toObject(), figures.total) &&
           readMovement(object.value(QStringLiteral("stockins")), figures.stockIns) &&
           readMovement(object.value(QStringLiteral("stockouts")), figures.stockOuts);
}

QString canonicalText(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace storedb
