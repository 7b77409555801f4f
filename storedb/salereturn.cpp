#include "storedb/salereturn.h"

#include "storedb/datetime.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"
#include "storedb/till.h"
#include "storedb/tilllease.h"

#include <QSqlQuery>
#include <cmath>

namespace storedb {

namespace {

const QString kNum = QStringLiteral("num");
const QString kCk = QStringLiteral("ck");

// Unit prices compared in whole fen: the engines hand them back as doubles.
qint64 fen(double yuan) {
    return std::llround(yuan * 100);
}

[[noreturn]] void refuse(const QString& text) {
    throw ReturnRefusedError(text);
}

QString goodsName(const BillLine& line) {
    return line.hwm.isEmpty() ? line.hwh : line.hwh + QLatin1Char(' ') + line.hwm;
}

// A sale's rows are the bill's stock-outs of positive pieces; a return's
// number carries negative ones only.
std::optional<BillForReturn> readBill(const Db& db, qint64 num) {
    QSqlQuery q = db.exec(
        QStringLiteral("bill for return"),
        QStringList{
            QStringLiteral("select h.hwh,h.dj,max(h.hwlbh),sum(h.sl),min(h.crhsj),max(p.hwm)"),
            QStringLiteral("from hwrzb h left join hwpzb p on p.hwh=h.hwh"),
            // crk||'': not through the index on crk, which SQLite, keeping no
            // statistics, takes for as narrow as the bill's number: it would
            // read every stock-out of the log.
            QStringLiteral("where h.num=:num and h.crk||''=:ck and h.glyh is null and h.sl>0"),
            QStringLiteral("group by h.hwh,h.dj order by min(h.bh)")},
        {{kNum, num}, {kCk, kStockOut}});
    BillForReturn bill;
    bill.num = num;
    while (q.next()) {
        BillLine line;
        line.hwh = q.value(0).toString();
        line.dj = roundFen(q.value(1).toDouble());
        line.hwlbh = q.value(2).toString();
        line.sold = q.value(3).toInt();
        line.hwm = q.value(5).toString();
        bill.date = readDateTime(q.value(4)).date();
        bill.lines << line;
    }
    if (bill.lines.isEmpty())
        return std::nullopt;

    QSqlQuery back = db.exec(
        QStringLiteral("bill returned"),
        QStringList{QStringLiteral("select h.hwh,h.dj,sum(-h.sl) from salereturn r"),
                    QStringLiteral("join hwrzb h on h.num=r.num"),
                    QStringLiteral("where r.original=:num and h.crk||''=:ck and h.glyh is null"),
                    QStringLiteral("group by h.hwh,h.dj")},
        {{kNum, num}, {kCk, kStockOut}});
    while (back.next()) {
        for (BillLine& line : bill.lines) {
            if (line.hwh == back.value(0).toString() &&
                fen(line.dj) == fen(back.value(1).toDouble()))
                line.returned += back.value(2).toInt();
        }
    }

    QSqlQuery who = db.exec(QStringLiteral("bill clerk"),
                            QStringLiteral("select b.jsj,b.shyh,s.shym from salebill b "
                                           "left join shyb s on s.shyh=b.shyh where b.num=:num"),
                            {{kNum, num}});
    if (who.next()) {
        bill.jsj = who.value(0).toString();
        bill.shyh = who.value(1).toString();
        bill.shym = who.value(2).toString();
    }
    return bill;
}

bool isReturnNumber(const Db& db, qint64 num) {
    QSqlQuery q =
        db.exec(QStringLiteral("return number"),
                QStringLiteral("select count(*) from salereturn where num=:num"), {{kNum, num}});
    return q.next() && q.value(0).toInt() > 0;
}

// The pieces asked for each line of the bill, checked against what is left.
QList<int> piecesPerLine(const BillForReturn& bill, const QList<ReturnPiece>& pieces) {
    if (bill.fullyReturned())
        refuse(QStringLiteral("单号 %1 的货物已经全部退货,不能再退！").arg(bill.num));
    if (pieces.isEmpty())
        refuse(QStringLiteral("没有要退的货物,不能退货！"));
    QList<int> wanted(bill.lines.size(), 0);
    for (const ReturnPiece& piece : pieces) {
        qsizetype at = 0;
        while (at < bill.lines.size() &&
               (bill.lines[at].hwh != piece.hwh || fen(bill.lines[at].dj) != fen(piece.dj)))
            ++at;
        if (at == bill.lines.size())
            refuse(QStringLiteral("单号 %1 没有售出单价 %2 元的商品 %3,不能退货！")
                       .arg(QString::number(bill.num), numberText(piece.dj), piece.hwh));
        if (piece.pieces <= 0)
            refuse(QStringLiteral("商品 %1 的退货数量 %2 无效,应大于 0！")
                       .arg(piece.hwh, QString::number(piece.pieces)));
        wanted[at] += piece.pieces;
    }
    for (qsizetype i = 0; i < wanted.size(); ++i) {
        const BillLine& line = bill.lines[i];
        if (wanted[i] > line.left())
            refuse(QStringLiteral("商品 %1 最多还能退 %2 件,不能退 %3 件！")
                       .arg(goodsName(line), QString::number(line.left()),
                            QString::number(wanted[i])));
    }
    return wanted;
}

} // namespace

bool BillForReturn::fullyReturned() const {
    for (const BillLine& line : lines) {
        if (line.left() > 0)
            return false;
    }
    return true;
}

std::optional<BillForReturn> billForReturn(const Db& db, qint64 num) {
    return readBill(db, num);
}

BookedReturn bookReturn(Db& db, const QString& jsj, const QString& shyh, const QString& glyh,
                        qint64 original, const QList<ReturnPiece>& pieces, const QDateTime& now) {
    Transaction transaction(db);
    confirmTillLease(db, jsj);
    // The counter first: two returns of one bill then book one after the
    // other, and the second reads what the first took back (on the server
    // each statement of a transaction sees what was committed before it).
    BookedReturn booked;
    booked.num = accountnum(db);
    booked.original = original;
    const std::optional<BillForReturn> bill = readBill(db, original);
    if (!bill) {
        if (isReturnNumber(db, original))
            refuse(QStringLiteral("单号 %1 是退货单,不能退货！").arg(original));
        refuse(QStringLiteral("找不到单号 %1 的销售,不能退货！").arg(original));
    }
    const QList<int> wanted = piecesPerLine(*bill, pieces);

    double total = 0;
    for (qsizetype i = 0; i < wanted.size(); ++i)
        total += wanted[i] * bill->lines[i].dj;
    booked.amount = roundFen(total);
    const QString notRegistered =
        QStringLiteral("此计算机 %1 已经不是注册的收款机,不能退货！请注销。").arg(jsj);
    const std::optional<TillRow> till = tillRow(db, jsj);
    if (!till)
        throw TillNotRegisteredError(notRegistered);
    const double drawer = roundFen(till->ye + till->yye);
    if (fen(booked.amount) > fen(drawer))
        refuse(QStringLiteral("退款 %1 元超过钱箱现金 %2 元,不能退货！")
                   .arg(numberText(booked.amount), numberText(drawer)));

    // The log rows before the stock, as a stock-in writes them: on the server
    // the first row locks the log's totals, and a stock-in of the same goods
    // then waits for this return instead of deadlocking with it.
    for (qsizetype i = 0; i < wanted.size(); ++i) {
        if (wanted[i] == 0)
            continue;
        const BillLine& line = bill->lines[i];
        hwrzbsf(db,
                Movement{line.hwh, line.hwlbh, line.dj, -wanted[i], 0, now.date(), QVariant(),
                         kStockOut, QVariant()},
                booked.num);
        if (!hwbsf1(db, line.hwh, wanted[i]))
            refuse(QStringLiteral("商品 %1 已经删除,不能退货！").arg(goodsName(line)));
        booked.lines << SaleLine{line.hwh,
                                 line.hwm,
                                 line.hwlbh,
                                 line.dj,
                                 wanted[i],
                                 roundFen(wanted[i] * line.dj),
                                 int(booked.lines.size()) + 1};
    }
    if (!jqbsf(db, jsj, -booked.amount))
        throw TillNotRegisteredError(notRegistered);
    QSqlQuery shift =
        db.exec(QStringLiteral("return shyrzb yye"),
                QStringLiteral(
                    "update shyrzb set yye=coalesce(yye,0)-:yye where jsj=:jsj and zxsj is null"),
                {{QStringLiteral("jsj"), jsj}, {QStringLiteral("yye"), booked.amount}});
    // Without a shift the refund would leave the drawer unaccounted for.
    if (shift.numRowsAffected() <= 0)
        refuse(QStringLiteral("此计算机 %1 没有登录的班次,不能退货！").arg(jsj));
    db.exec(
        QStringLiteral("salereturn"),
        QStringList{QStringLiteral("insert into salereturn(num,original,jsj,shyh,glyh,"
                                   "returned,amount)"),
                    QStringLiteral("values(:num,:original,:jsj,:shyh,:glyh,:returned,:amount)")},
        {{kNum, booked.num},
         {QStringLiteral("original"), original},
         {QStringLiteral("jsj"), jsj},
         {QStringLiteral("shyh"), shyh},
         {QStringLiteral("glyh"), glyh},
         {QStringLiteral("returned"), dateTimeParam(now)},
         {QStringLiteral("amount"), booked.amount}});
    transaction.commit();
    return booked;
}

} // namespace storedb
