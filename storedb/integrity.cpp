#include "storedb/integrity.h"

#include "storedb/datetime.h"
#include "storedb/dayclose.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"
#include "storedb/schema.h"

#include <QSqlQuery>
#include <cmath>

namespace storedb {

namespace {

// Money compared in whole fen: SQLite sums decimals as floating point.
qint64 fen(double yuan) {
    return std::llround(yuan * 100);
}

QString money(const QVariant& value) {
    return value.isNull() ? QStringLiteral("空") : numberText(roundFen(value.toDouble()));
}

QString day(const QVariant& value) {
    return readDateTime(value).toString(QStringLiteral("yyyy-MM-dd"));
}

QString moment(const QVariant& value) {
    return readDateTime(value).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

class Checker {
  public:
    explicit Checker(const Db& db) : db_(db) {}

    QList<BooksFinding> run() {
        findOpenSaleTables();
        checkStock();
        checkNegativeStock();
        checkUncatalogued();
        checkTakings();
        checkCashOwed();
        checkTillShifts();
        checkBills();
        checkLogTotals();
        checkReturns();
        checkDayClose();
        return findings_;
    }

  private:
    void add(BooksRule rule, const QString& subject, const QString& text) {
        findings_.append({rule, subject, text});
    }

    // The tills whose sale table is there: their lines' pieces have left
    // stock without reaching the log yet. A till removed during its shift
    // is found by the open shift. A name that cannot name a sale table never
    // had one.
    void findOpenSaleTables() {
        QSqlQuery q = db_.exec(QStringLiteral("books: tills"),
                               QStringLiteral("select jsj from jqb union select jsj from shyrzb "
                                              "where zxsj is null and jsj is not null order by 1"));
        while (q.next()) {
            const QString jsj = q.value(0).toString();
            try {
                if (saleTableExists(db_, jsj))
                    saleTills_ << jsj;
            } catch (const TerminalNameError&) {
            }
        }
    }

    // Every open sale line of every till, as (hwh, sl) rows.
    QString openLinesSql() const {
        QStringList parts;
        for (const QString& jsj : saleTills_)
            parts << QStringLiteral("select hwh,sl from %1").arg(saleTableIdentifier(jsj));
        return parts.join(QStringLiteral(" union all "));
    }

    void checkStock() {
        QStringList sql{
            QStringLiteral("select hwb.hwh,hwb.kcl,coalesce(m.rk,0),coalesce(m.ck,0),%1"),
            QStringLiteral("from hwb left join (select hwh,"),
            QStringLiteral("sum(case when crk=:rk then sl else 0 end) as rk,"),
            QStringLiteral("sum(case when crk=:ck then sl else 0 end) as ck"),
            QStringLiteral("from %1 group by hwh) m on m.hwh=hwb.hwh").arg(log()),
        };
        const QString lines = openLinesSql();
        if (lines.isEmpty()) {
            sql[0] = sql[0].arg(QStringLiteral("0"));
        } else {
            sql[0] = sql[0].arg(QStringLiteral("coalesce(s.sl,0)"));
            sql << QStringLiteral("left join (select hwh,sum(sl) as sl from (%1) l group by hwh) s "
                                  "on s.hwh=hwb.hwh")
                       .arg(lines);
        }
        sql << QStringLiteral("where hwb.kcl<>coalesce(m.rk,0)-coalesce(m.ck,0)%1")
                   .arg(lines.isEmpty() ? QString() : QStringLiteral("-coalesce(s.sl,0)"))
            << QStringLiteral("order by hwb.hwh");
        QSqlQuery q =
            db_.exec(QStringLiteral("books: stock"), sql,
                     {{QStringLiteral("rk"), kStockIn}, {QStringLiteral("ck"), kStockOut}});
        while (q.next()) {
            const qint64 in = q.value(2).toLongLong();
            const qint64 out = q.value(3).toLongLong();
            const qint64 open = q.value(4).toLongLong();
            add(BooksRule::Stock, q.value(0).toString(),
                QStringLiteral(
                    "商品 %1 库存 %2 件，按流水应为 %3 件（入库 %4，出库 %5，未收费 %6）")
                    .arg(q.value(0).toString(), QString::number(q.value(1).toLongLong()),
                         QString::number(in - out - open), QString::number(in),
                         QString::number(out), QString::number(open)));
        }

        // A row of neither direction moves nothing, and the log cannot say why.
        QSqlQuery odd =
            db_.exec(QStringLiteral("books: direction"),
                     QStringLiteral("select bh,hwh,crk from hwrzb where crk is null or "
                                    "(crk<>:rk and crk<>:ck) order by bh"),
                     {{QStringLiteral("rk"), kStockIn}, {QStringLiteral("ck"), kStockOut}});
        while (odd.next())
            add(BooksRule::Stock, odd.value(1).toString(),
                QStringLiteral("流水第 %1 行（商品 %2）出入库为“%3”，既非入库也非出库")
                    .arg(odd.value(0).toLongLong())
                    .arg(odd.value(1).toString(), odd.value(2).toString()));
    }

    void checkNegativeStock() {
        QSqlQuery q = db_.exec(QStringLiteral("books: negative stock"),
                               QStringLiteral("select hwh,kcl from hwb where kcl<0 order by hwh"));
        while (q.next())
            add(BooksRule::NegativeStock, q.value(0).toString(),
                QStringLiteral("商品 %1 库存为负：%2 件")
                    .arg(q.value(0).toString(), QString::number(q.value(1).toLongLong())));
    }

    // Log rows of deleted goods stay by design; stock rows and open sale
    // lines of goods that are no longer catalogued do not.
    void checkUncatalogued() {
        QSqlQuery stock =
            db_.exec(QStringLiteral("books: stock without goods"),
                     QStringLiteral("select hwh,kcl from hwb where not exists "
                                    "(select 1 from hwpzb where hwpzb.hwh=hwb.hwh) order by hwh"));
        while (stock.next())
            add(BooksRule::Uncatalogued, stock.value(0).toString(),
                QStringLiteral("库存表有商品 %1（%2 件），商品配置里没有此商品")
                    .arg(stock.value(0).toString(), QString::number(stock.value(1).toLongLong())));
        for (const QString& jsj : saleTills_) {
            QSqlQuery q =
                db_.exec(QStringLiteral("books: sale lines without goods"),
                         QStringLiteral("select bh,hwh,sl from %1 l where not exists "
                                        "(select 1 from hwpzb where hwpzb.hwh=l.hwh) order by bh")
                             .arg(saleTableIdentifier(jsj)));
            while (q.next())
                add(BooksRule::Uncatalogued, q.value(1).toString(),
                    QStringLiteral("计算机 %1 的销售第 %2 行：商品 %3（%4 件）不在商品配置里")
                        .arg(jsj, QString::number(q.value(0).toLongLong()), q.value(1).toString(),
                             QString::number(q.value(2).toLongLong())));
        }
    }

    void checkTakings() {
        // Closed shifts, the shifts under way (by their till's row, or by
        // the shift row when the till was removed meanwhile) against the
        // sold pieces. Back-office stock-outs carry an administrator.
        QSqlQuery q = db_.exec(
            QStringLiteral("books: takings"),
            QStringList{
                QStringLiteral(
                    "select (select coalesce(sum(yye),0) from shyrzb where zxsj is not null),"),
                QStringLiteral("(select coalesce(sum(yye),0) from jqb),"),
                QStringLiteral(
                    "(select coalesce(sum(yye),0) from shyrzb s where s.zxsj is null and "
                    "not exists (select 1 from jqb where jqb.jsj=s.jsj)),"),
                // In whole fen: a floating-point sum of millions of rows
                // strays by more than a fen.
                QStringLiteral("(select coalesce(sum(case when crk=:ck and glyh is null then "
                               "round(dj*sl*100) end),0)/100.0 from %1)")
                    .arg(log()),
            },
            {{QStringLiteral("ck"), kStockOut}});
        if (q.next()) {
            const double closed = q.value(0).toDouble();
            const double tills = q.value(1).toDouble();
            const double removed = q.value(2).toDouble();
            const double sold = q.value(3).toDouble();
            if (fen(closed) + fen(tills) + fen(removed) != fen(sold))
                add(BooksRule::Takings, QString(),
                    QStringLiteral(
                        "营业额不符：已注销班次 %1 元 + 各计算机本班 %2 元 + 已删除计算机的班次 "
                        "%3 元 = %4 元，销售流水合计 %5 元")
                        .arg(numberText(roundFen(closed)), numberText(roundFen(tills)),
                             numberText(roundFen(removed)),
                             numberText(double(fen(closed) + fen(tills) + fen(removed)) / 100),
                             numberText(roundFen(sold))));
        }

        // Every charge raises the till's takings and its open shift's alike.
        QSqlQuery till = db_.exec(
            QStringLiteral("books: till takings"),
            QStringList{
                QStringLiteral("select jqb.jsj,jqb.yye,s.yye,s.shyh from jqb join shyrzb s "
                               "on s.jsj=jqb.jsj and s.zxsj is null"),
                QStringLiteral("where abs(jqb.yye-coalesce(s.yye,0))>=0.005 order by jqb.jsj")});
        while (till.next())
            add(BooksRule::Takings, till.value(0).toString(),
                QStringLiteral("计算机 %1 营业额 %2 元，其未注销班次（售货员 %3）营业额 %4 元")
                    .arg(till.value(0).toString(), money(till.value(1)), till.value(3).toString(),
                         money(till.value(2))));
    }

    void checkCashOwed() {
        QSqlQuery q = db_.exec(
            QStringLiteral("books: cash owed"),
            QStringList{
                QStringLiteral("select shyh,jsj,dlsj,qye,yye,xye,qye+yye-xye from shyrzb"),
                QStringLiteral("where bj=:bj and (qye+yye-xye is null or qye+yye-xye< -0.005)"),
                QStringLiteral("order by dlsj")},
            {{QStringLiteral("bj"), kNotHandedIn}});
        while (q.next())
            add(BooksRule::CashOwed, q.value(1).toString(),
                QStringLiteral(
                    "售货员 %1 在计算机 %2 的班次（%3 登录）应交款 %4 元（上班余额 %5 + 营业额 %6 "
                    "- 剩余额 %7）")
                    .arg(q.value(0).toString(), q.value(1).toString(), moment(q.value(2)),
                         money(q.value(6)), money(q.value(3)), money(q.value(4)),
                         money(q.value(5))));
    }

    void checkTillShifts() {
        QSqlQuery twice = db_.exec(
            QStringLiteral("books: open shifts"),
            QStringLiteral("select jsj,count(*) from shyrzb where zxsj is null group by jsj "
                           "having count(*)>1 order by jsj"));
        while (twice.next())
            add(BooksRule::TillShifts, twice.value(0).toString(),
                QStringLiteral("计算机 %1 有 %2 个未注销的班次")
                    .arg(twice.value(0).toString(), QString::number(twice.value(1).toLongLong())));

        QSqlQuery standby = db_.exec(
            QStringLiteral("books: shift at a till on standby"),
            QStringLiteral("select jqb.jsj,s.shyh,s.dlsj from jqb join shyrzb s on s.jsj=jqb.jsj "
                           "and s.zxsj is null where jqb.zt=:zt order by jqb.jsj,s.dlsj"),
            {{QStringLiteral("zt"), kTillStandby}});
        while (standby.next())
            add(BooksRule::TillShifts, standby.value(0).toString(),
                QStringLiteral("计算机 %1 处于待机，却有售货员 %2 %3 登录的班次未注销")
                    .arg(standby.value(0).toString(), standby.value(1).toString(),
                         moment(standby.value(2))));

        QSqlQuery online = db_.exec(
            QStringLiteral("books: online till without shift"),
            QStringLiteral("select jsj,shyh from jqb where zt=:zt and not exists (select 1 from "
                           "shyrzb s where s.jsj=jqb.jsj and s.zxsj is null) order by jsj"),
            {{QStringLiteral("zt"), kTillOnline}});
        while (online.next())
            add(BooksRule::TillShifts, online.value(0).toString(),
                QStringLiteral("计算机 %1 在线（售货员 %2），却没有未注销的班次")
                    .arg(online.value(0).toString(), online.value(1).toString()));
    }

    void checkBills() {
        QSqlQuery unnumbered = db_.exec(
            QStringLiteral("books: sales without bill"),
            QStringLiteral("select bh,hwh,crhsj from %1 where crk=:ck and glyh is null and "
                           "num is null order by bh")
                .arg(log()),
            {{QStringLiteral("ck"), kStockOut}});
        while (unnumbered.next())
            add(BooksRule::Bills, QString(),
                QStringLiteral("销售流水第 %1 行（商品 %2，%3）没有单号")
                    .arg(unnumbered.value(0).toLongLong())
                    .arg(unnumbered.value(1).toString(), day(unnumbered.value(2))));

        // One charge is booked on one day: a number on two days was drawn twice.
        QSqlQuery shared = db_.exec(
            QStringLiteral("books: bill on several days"),
            QStringList{
                QStringLiteral("select num,min(crhsj),max(crhsj),count(*) from %1").arg(log()),
                QStringLiteral("where crk=:ck and glyh is null and num is not null"),
                QStringLiteral("group by num having min(crhsj)<>max(crhsj) order by num")},
            {{QStringLiteral("ck"), kStockOut}});
        while (shared.next())
            add(BooksRule::Bills, shared.value(0).toString(),
                QStringLiteral("单号 %1 用在不同日期的销售上（%2 至 %3，共 %4 行）")
                    .arg(shared.value(0).toLongLong())
                    .arg(day(shared.value(1)), day(shared.value(2)))
                    .arg(shared.value(3).toLongLong()));

        QSqlQuery counter = db_.exec(
            QStringLiteral("books: bill counter"),
            QStringLiteral(
                "select (select max(accountnum) from company),(select max(num) from hwrzb)"));
        if (!counter.next())
            return;
        if (counter.value(0).isNull()) {
            add(BooksRule::Bills, QString(),
                QStringLiteral("没有商店设置行（company），单号无处记数"));
        } else if (!counter.value(1).isNull() &&
                   counter.value(0).toLongLong() < counter.value(1).toLongLong()) {
            add(BooksRule::Bills, QString(),
                QStringLiteral("商店设置的单号 %1 小于已用过的最大单号 %2")
                    .arg(counter.value(0).toLongLong())
                    .arg(counter.value(1).toLongLong()));
        }
    }

    // The totals the profit estimate reads, against the log they follow.
    void checkLogTotals() {
        if (!tableExists(db_, kLogTotalsTable))
            return;
        QSqlQuery q =
            db_.exec(QStringLiteral("books: log totals"),
                     QStringList{QStringLiteral("select t.rkje,t.ckje,l.rk,l.ck,"),
                                 QStringLiteral("(select count(*) from hwrzhjb)"),
                                 QStringLiteral("from hwrzhjb t,(%1) l").arg(logTotalsSql(db_))},
                     {{QStringLiteral("rk"), kStockIn}, {QStringLiteral("ck"), kStockOut}});
        if (!q.next()) {
            add(BooksRule::LogTotals, QString(), QStringLiteral("流水合计表 hwrzhjb 没有记录"));
            return;
        }
        if (q.value(4).toInt() != 1)
            add(BooksRule::LogTotals, QString(),
                QStringLiteral("流水合计表 hwrzhjb 有 %1 条记录，应为 1 条")
                    .arg(q.value(4).toInt()));
        const std::pair<const char*, int> sums[] = {{"入库成本", 0}, {"出库金额", 1}};
        for (const auto& [what, column] : sums) {
            const double kept = q.value(column).toDouble();
            const double logged = q.value(column + 2).toDouble();
            if (fen(kept) != fen(logged))
                add(BooksRule::LogTotals, QString(),
                    QStringLiteral("流水合计不符：%1 合计表 %2 元，流水 %3 元")
                        .arg(QString::fromUtf8(what), numberText(roundFen(kept)),
                             numberText(roundFen(logged))));
        }
    }

    // A return's rows (negative pieces) count against the sale its
    // salereturn row names; negative rows of no return, against their own
    // number. Few rows are negative: the sold pieces are looked up per bill.
    void checkReturns() {
        QSqlQuery q = db_.exec(
            QStringLiteral("books: returns"),
            QStringList{
                QStringLiteral(
                    "select x.bill,x.hwh,x.back,x.sold from (select b.bill,b.hwh,b.back,"),
                QStringLiteral("(select coalesce(sum(s.sl),0) from hwrzb s where s.num=b.bill and "
                               "s.hwh=b.hwh and s.crk=:ck and s.glyh is null and s.sl>0) as sold"),
                QStringLiteral("from (select coalesce(r.original,h.num) as bill,h.hwh,"
                               "sum(-h.sl) as back from hwrzb h%1")
                    .arg(db_.isSQLite() ? QStringLiteral(" NOT INDEXED") : QString()),
                QStringLiteral("left join salereturn r on r.num=h.num"),
                QStringLiteral("where h.crk=:back and h.glyh is null and h.sl<0 and h.num is "
                               "not null"),
                QStringLiteral("group by coalesce(r.original,h.num),h.hwh) b) x"),
                QStringLiteral("where x.back>x.sold order by x.bill,x.hwh")},
            {{QStringLiteral("ck"), kStockOut}, {QStringLiteral("back"), kStockOut}});
        while (q.next())
            add(BooksRule::Returns, q.value(0).toString(),
                QStringLiteral("单号 %1 的商品 %2 退货 %3 件，超过售出的 %4 件")
                    .arg(q.value(0).toLongLong())
                    .arg(q.value(1).toString(), QString::number(q.value(2).toLongLong()),
                         QString::number(q.value(3).toLongLong())));
    }

    void checkDayClose() {
        if (!tableExists(db_, QStringLiteral("dayclose")))
            return;
        for (const ChainFinding& f : verifyDayCloseChain(db_))
            add(BooksRule::DayClose, QString::number(f.z), f.text);
    }

    QString log() const { return wholeTable(db_, QStringLiteral("hwrzb")); }

    const Db& db_;
    QStringList saleTills_;
    QList<BooksFinding> findings_;
};

} // namespace

QList<BooksFinding> checkBooks(const Db& db) {
    return Checker(db).run();
}

QStringList findingTexts(const QList<BooksFinding>& findings) {
    QStringList texts;
    for (const BooksFinding& f : findings)
        texts << f.text;
    return texts;
}

} // namespace storedb
