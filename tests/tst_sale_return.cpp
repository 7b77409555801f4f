// Returns of a charged sale: booked in steps or refused with nothing written,
// the books adding up after each; two tills returning the same bill's last
// pieces at once, each a process of its own (worker_sale_return).

#include "storedb/charge.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/salereturn.h"
#include "storedb/stock.h"
#include "storedb/till.h"
#include "support/books.h"
#include "support/teststore.h"

#include <QProcess>

using namespace storedb;
using namespace testsupport;

namespace {

const QStringList kGoods = {"A", "B", "C"};

double money(Db& db, const QString& sql, const QString& jsj = {}) {
    QSqlQuery q = jsj.isEmpty() ? db.exec("money", sql) : db.exec("money", sql, {{"jsj", jsj}});
    return q.next() ? roundFen(q.value(0).toDouble()) : -1;
}

// Every figure a return moves, or must leave alone when refused.
QVariantMap figures(Db& db) {
    QVariantMap f;
    for (const char* table : {"hwrzb", "salereturn"})
        f[table] = money(db, QString("select count(*) from %1").arg(table));
    f["counter"] = money(db, "select accountnum from company");
    f["ckje"] = money(db, "select ckje from hwrzhjb");
    for (const QString till : {"S", "R"}) {
        f["jqb " + till] = money(db, "select yye from jqb where jsj=:jsj", till);
        f["shift " + till] =
            money(db, "select yye from shyrzb where jsj=:jsj and zxsj is null", till);
    }
    for (const QString& hwh : kGoods)
        f["stock " + hwh] = stockOf(db, hwh);
    return f;
}

// Goods stocked through the log, so that the books check sees all of their
// stock; tills S (float 100) and R (float 50) on duty. The sale at S, one bill:
// A 2 + 1 at 3.5 and 1 more at 4 (its price changed in between), B 3 at 2,
// C 1 at 45.
qint64 shopWithSale(Db& db) {
    addCategory(db, "01", "食品");
    const QList<std::pair<QString, double>> prices = {{"A", 3.5}, {"B", 2}, {"C", 45}};
    for (const auto& [hwh, dj] : prices) {
        sppztj(db, "01", hwh, hwh == "A" ? "可乐" : hwh == "B" ? "薯片" : "大米");
        recordStockIn(db, {hwh, 1, dj, 20, "供货商"}, "1", QDate::currentDate());
    }
    addClerk(db, "1001", "张三", "1");
    addClerk(db, "1002", "李四", "2");
    addTill(db, "S", 100);
    addTill(db, "R", 50);
    signOn(db, "S", "1001", QDateTime::currentDateTime());
    signOn(db, "R", "1002", QDateTime::currentDateTime());
    const QList<std::tuple<QString, int, double>> lines = {
        {"A", 2, 3.5}, {"B", 3, 2}, {"A", 1, 3.5}, {"A", 1, 4}, {"C", 1, 45}};
    for (const auto& [hwh, sl, dj] : lines) {
        GoodsAtTill goods = *hwhdw(db, hwh);
        goods.dj = dj;
        addSaleLine(db, "S", hwh, goods, sl);
    }
    return chargeSale(db, "S", QDate::currentDate()).bill;
}

// "A@3.5x2" -> A, 3.5, 2
ReturnPiece piece(const QString& text) {
    const QStringList priceAndPieces = text.section('@', 1).split('x');
    return {text.section('@', 0, 0), priceAndPieces[0].toDouble(), priceAndPieces[1].toInt()};
}

} // namespace

class TestSaleReturn : public QObject {
    Q_OBJECT

  private slots:
    // Each step: "<till>[#bill] <goods@price x pieces>... => <refusal, or
    // nothing>"; the bill is 1 unless named, the returns follow it.
    void returnsAreBookedOrRefused_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("partial, partial, then beyond what is left") << QStringList{
            "S A@3.5x1 => ", "S A@3.5x1 B@2x3 A@3.5x1 => ",
            "S A@3.5x1 => 商品 A 可乐 最多还能退 0 件,不能退 1 件！",
            "S A@4x1 B@2x1 => 商品 B 薯片 最多还能退 0 件,不能退 1 件！", "S A@4x1 => "};
        QTest::newRow("whole bill, then nothing is left") << QStringList{
            "S C@45x1 B@2x3 A@4x1 A@3.5x3 => ", "S C@45x1 => 单号 1 的货物已经全部退货,不能再退！"};
        QTest::newRow("requests the bill does not allow")
            << QStringList{"S B@2x1 => ",
                           "S#2 B@2x1 => 单号 2 是退货单,不能退货！",
                           "S#3 B@2x1 => 找不到单号 3 的销售,不能退货！",
                           "S D@1x1 => 单号 1 没有售出单价 1 元的商品 D,不能退货！",
                           "S A@9.9x1 => 单号 1 没有售出单价 9.9 元的商品 A,不能退货！",
                           "S A@3.5x0 => 商品 A 的退货数量 0 无效,应大于 0！",
                           "S B@2x1 A@3.5x-2 => 商品 A 的退货数量 -2 无效,应大于 0！",
                           "S => 没有要退的货物,不能退货！",
                           "S A@4x2 => 商品 A 可乐 最多还能退 1 件,不能退 2 件！"};
        QTest::newRow("at another till, within its drawer's cash") << QStringList{
            "R C@45x1 => ", "R A@3.5x2 => 退款 7 元超过钱箱现金 5 元,不能退货！", "R B@2x2 => ",
            "R A@3.5x1 => 退款 3.5 元超过钱箱现金 1 元,不能退货！", "S A@3.5x1 => "};
    }
    void returnsAreBookedOrRefused() {
        QFETCH(QStringList, steps);
        TestStore store;
        Db& db = store.db();
        const qint64 bill = shopWithSale(db);
        QCOMPARE(bill, 1);
        QHash<QString, double> refunded; // per till
        QHash<QString, int> returned;    // per "goods@price"
        for (const QString& step : steps) {
            const QStringList words = step.section(" => ", 0, 0).split(' ', Qt::SkipEmptyParts);
            const QString till = words[0].section('#', 0, 0);
            const qint64 original = words[0].contains('#') ? words[0].section('#', 1).toInt() : 1;
            QList<ReturnPiece> pieces;
            QVariantMap expected = figures(db);
            const QVariantMap before = expected;
            double amount = 0;
            QSet<QString> lines;
            for (const QString& word : words.mid(1)) {
                pieces << piece(word);
                amount += pieces.last().pieces * pieces.last().dj;
                lines.insert(word.section('x', 0, 0));
                const QString stock = "stock " + pieces.last().hwh;
                expected[stock] = expected[stock].toInt() + pieces.last().pieces;
            }
            try {
                const BookedReturn booked = bookReturn(db, till, "1002", "1", original, pieces,
                                                       QDateTime::currentDateTime());
                QVERIFY2(step.endsWith("=> "), qPrintable(step));
                for (const QString& key : QStringList{"jqb " + till, "shift " + till, "ckje"})
                    expected[key] = roundFen(before[key].toDouble() - amount);
                for (const char* key : {"counter", "salereturn"})
                    expected[key] = before[key].toDouble() + 1;
                expected["hwrzb"] = before["hwrzb"].toDouble() + lines.size();
                QCOMPARE(figures(db), expected);
                QCOMPARE(booked.num, qint64(expected["counter"].toDouble()));
                QCOMPARE(booked.amount, roundFen(amount));
                QCOMPARE(booked.lines.size(), lines.size());
                expectBooksBalance(db);
                refunded[till] += amount;
                for (const ReturnPiece& p : pieces)
                    returned[p.hwh + '@' + numberText(p.dj)] += p.pieces;
            } catch (const ReturnRefusedError& e) {
                QCOMPARE(e.userText(), step.section(" => ", 1));
                QCOMPARE(figures(db), before);
            }
            QVERIFY(!db.inTransaction());
        }

        // The bill shows what each return took back; a return's number is
        // no sale.
        const BillForReturn shown = *billForReturn(db, bill);
        QCOMPARE(shown.date, QDate::currentDate());
        QCOMPARE(QStringList({shown.jsj, shown.shyh, shown.shym}),
                 QStringList({"S", "1001", "张三"}));
        QStringList lines;
        QStringList expectedLines;
        const QList<std::pair<QString, int>> sold = {
            {"A@3.5 可乐", 3}, {"B@2 薯片", 3}, {"A@4 可乐", 1}, {"C@45 大米", 1}};
        for (const auto& [goods, pieces] : sold)
            expectedLines << QString("%1 %2/%3")
                                 .arg(goods)
                                 .arg(returned.value(goods.section(' ', 0, 0)))
                                 .arg(pieces);
        for (const BillLine& line : shown.lines)
            lines << QString("%1@%2 %3 %4/%5")
                         .arg(line.hwh, numberText(line.dj), line.hwm)
                         .arg(line.returned)
                         .arg(line.sold);
        QCOMPARE(lines, expectedLines);
        QVERIFY(!billForReturn(db, bill + 1));
        db.exec("a bill charged before salebill", "delete from salebill");
        QCOMPARE(billForReturn(db, bill)->shyh + billForReturn(db, bill)->jsj, QString());

        // Sign-off hands in on the takings net of the refunds.
        const QList<std::tuple<QString, double, double>> tills = {{"S", 65.5, 100}, {"R", 0, 50}};
        for (const auto& [till, sales, drawerFloat] : tills) {
            const ShiftFigures expected = handInFor(sales - refunded.value(till), drawerFloat);
            const ShiftFigures closed = signOff(db, till, QDateTime::currentDateTime());
            QCOMPARE(QList<double>({closed.takings, closed.handIn, closed.left}),
                     QList<double>({expected.takings, expected.handIn, expected.left}));
        }
        expectBooksBalance(db);
    }

    // Both tills ask for the same last pieces at the same moment: one gets
    // them, the other is told none are left; never both.
    void twoTillsReturnTheLastPiecesAtOnce() {
        TestStore store;
        Db& db = store.db();
        shopWithSale(db);
        db.exec("float", "update jqb set ye=500 where jsj='R'");
        store.writeDataLink(store.folder());
        QList<std::shared_ptr<QProcess>> workers;
        for (const QString till : {"S", "R"}) {
            auto worker = std::make_shared<QProcess>();
            worker->start(QCoreApplication::applicationDirPath() + "/worker_sale_return",
                          {store.folder() + "/link.udl", till});
            QVERIFY(worker->waitForReadyRead(20000));
            QCOMPARE(worker->readLine(), QByteArray("ready\n"));
            workers << worker;
        }
        for (int round = 0; round < 5; ++round) {
            addSaleLine(db, "S", "A", *hwhdw(db, "A"), 3);
            addSaleLine(db, "S", "B", *hwhdw(db, "B"), 1);
            const qint64 bill = chargeSale(db, "S", QDate::currentDate()).bill;
            bookReturn(db, "S", "1001", "1", bill, {{"A", 3.5, 1}}, QDateTime::currentDateTime());
            for (auto& worker : workers) // the start line: both go at once
                worker->write(QString("%1 A 3.5 2\n").arg(bill).toUtf8());
            for (auto& worker : workers) // out of QProcess's buffer, into both pipes
                QVERIFY(worker->waitForBytesWritten(10000));
            QStringList answers;
            for (auto& worker : workers) {
                while (!worker->canReadLine())
                    QVERIFY2(worker->waitForReadyRead(30000), worker->readAllStandardError());
                answers << QString::fromUtf8(worker->readLine()).trimmed();
            }
            answers.sort();
            QCOMPARE(answers.first().left(7), QString("booked "));
            QCOMPARE(answers.last(), QString("refused 商品 A 可乐 最多还能退 0 件,不能退 2 件！"));
            QCOMPARE(billForReturn(db, bill)->lines.first().returned, 3);
        }
        for (auto& worker : workers) {
            worker->closeWriteChannel();
            QVERIFY(worker->waitForFinished(20000));
            QCOMPARE(worker->exitCode(), 0);
        }
        QCOMPARE(stockOf(db, "A"), 20 - 4);
        expectBooksBalance(db);
    }
};

STORE_TEST_MAIN(TestSaleReturn)
#include "tst_sale_return.moc"
