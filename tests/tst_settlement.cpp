// The settlement window driven through its controls: looking a clerk up,
// settling exactly what the look-up showed, and its refusals; shifts written
// by hand where an amount the till cannot produce is wanted, and by the
// till's own sign-on, charging and sign-off otherwise. The cash counted:
// what a settlement records, the earlier settlements listed, the hand-in slip.

#include "admin/settlementwindow.h"
#include "storedb/charge.h"
#include "storedb/company.h"
#include "storedb/datetime.h"
#include "storedb/numtext.h"
#include "storedb/schema.h"
#include "storedb/till.h"
#include "support/adminfixture.h"
#include "support/books.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace testsupport;
using storedb::Db;

namespace {

const QString kEnterNumber = QStringLiteral("请输入售货员号！");
const QString kNoSuchClerk = QStringLiteral("没有此售货员,请重新输入!");
const QDateTime kMorning(QDate(2024, 5, 6), QTime(8, 0));

// A closed shift as the till leaves it, amounts chosen freely.
void addClosedShift(Db& db, const QString& shyh, const QString& jsj, int hour, double qye,
                    double xye) {
    db.exec("closed shift",
            "insert into shyrzb(shyh,jsj,dlsj,qye,zxsj,yye,xye,bj) "
            "values(:shyh,:jsj,:dlsj,:qye,:zxsj,0,:xye,'未交')",
            {{"shyh", shyh},
             {"jsj", jsj},
             {"dlsj", storedb::dateTimeParam(kMorning.addSecs(hour * 3600))},
             {"qye", qye},
             {"zxsj", storedb::dateTimeParam(kMorning.addSecs(hour * 3600 + 1800))},
             {"xye", xye}});
}

// Settlement marks by till and amount due, in a fixed order.
QStringList marks(Db& db) {
    QSqlQuery q = db.exec("marks", "select jsj,qye+yye-xye,bj from shyrzb order by jsj,dlsj");
    QStringList rows;
    while (q.next())
        rows << QStringLiteral("%1 %2 %3")
                    .arg(q.value(0).toString(), storedb::numberText(q.value(1).toDouble()),
                         q.value(2).toString());
    return rows;
}

// A charged sale at the till, as its charge window books it.
void sell(Db& db, const QString& jsj, const QString& hwh, int sl) {
    QVERIFY(storedb::addSaleLine(db, jsj, hwh, *storedb::hwhdw(db, hwh), sl).added);
    storedb::chargeSale(db, jsj, kMorning.date());
}

// Closes the next print preview while it lives; a preview that never comes
// leaves shown() false instead of hanging the test.
class PreviewCloser {
  public:
    PreviewCloser() {
        QObject::connect(&poll_, &QTimer::timeout, &poll_, [this] {
            if (auto* preview =
                    qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget())) {
                poll_.stop();
                shown_ = true;
                preview->close();
            }
        });
        poll_.start(20);
    }
    bool shown() const { return shown_; }

  private:
    QTimer poll_;
    bool shown_ = false;
};

// The visible cells of each row, as the grid draws them, columns skipped.
QStringList gridRows(const QTableView* grid, const QList<int>& skipped) {
    QStringList shown;
    const QAbstractItemModel* model = grid->model();
    auto* delegate = static_cast<QStyledItemDelegate*>(grid->itemDelegate());
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int col = 0; col < model->columnCount(); ++col)
            if (!grid->isColumnHidden(col) && !skipped.contains(col))
                cells << delegate->displayText(model->index(row, col).data(), QLocale());
        shown << cells.join(QLatin1Char(' '));
    }
    return shown;
}

struct Window {
    explicit Window(AdminFixture& f) : office(f) {}
    AdminFixture& office;
    admin::SettlementWindow* w = &office.windows().settlementWindow();
    QTableView* owedShiftsGrid = ctl<QTableView>(w, "owedShiftsGrid");
    QLineEdit* clerkNumber = ctl<QLineEdit>(w, "clerkNumber");
    QLineEdit* clerkName = ctl<QLineEdit>(w, "clerkName");
    QLineEdit* amountDue = ctl<QLineEdit>(w, "amountDue");
    QPushButton* lookUpButton = ctl<QPushButton>(w, "lookUpButton");
    QPushButton* settleButton = ctl<QPushButton>(w, "settleButton");
    QLineEdit* received = ctl<QLineEdit>(w, "receivedEdit");
    QTableView* settlements = ctl<QTableView>(w, "settlementsGrid");

    // "结算" clicked; true when a hand-in slip's preview came up.
    bool settle() {
        PreviewCloser preview;
        settleButton->click();
        return preview.shown();
    }
    void open() { office.toolButton("settlementButton")->click(); }
    // The number typed, Enter to "查询", Enter again.
    void lookUp(const QString& shyh) {
        clerkNumber->clear();
        QTest::keyClicks(clerkNumber, shyh);
        QTest::keyClick(clerkNumber, Qt::Key_Return);
        QTest::keyClick(lookUpButton, Qt::Key_Return);
    }
    // The owed shifts shown; the time is not compared.
    QStringList rows() const { return gridRows(owedShiftsGrid, {1}); }
    QStringList boxes() const {
        return {clerkNumber->text(), clerkName->text(), amountDue->text()};
    }
};

// Each settlement row: clerk, administrator, owed, received, difference.
QStringList settlementRows(Db& db) {
    QSqlQuery q = db.exec("settlements", "select shyh,glyh,owed,received,difference "
                                         "from settlement order by id");
    QStringList rows;
    while (q.next())
        rows << QStringLiteral("%1 %2 %3 %4 %5")
                    .arg(q.value(0).toString(), q.value(1).toString(),
                         storedb::numberText(q.value(2).toDouble()),
                         storedb::numberText(q.value(3).toDouble()),
                         storedb::numberText(q.value(4).toDouble()));
    return rows;
}

int rowCount(Db& db, const QString& table) {
    QSqlQuery q = db.exec("count", "select count(*) from " + table);
    return q.next() ? q.value(0).toInt() : -1;
}

QString pdfText(const QString& path) {
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", path, "-"});
    pdftotext.waitForFinished(30000);
    return QString::fromUtf8(pdftotext.readAllStandardOutput())
        .normalized(QString::NormalizationForm_KC);
}

} // namespace

class TestSettlement : public QObject {
    Q_OBJECT

  private slots:
    // Shifts as the till writes them where it can: a sale of 300 from a
    // float of 100 hands in 300; a sale of 50 from 100 hands in nothing and
    // stays "未交"; a shift without takings from a float of 300 hands in 200
    // and keeps its row. An amount the till cannot produce (250) is written
    // by hand. The shift closed after the look-up is not settled with it.
    void settlesExactlyWhatTheLookUpShowed() {
        AdminFixture f;
        f.startAndSignOn();
        Db& db = f.db();
        addClerk(db, "1001", "王芳", "pw");
        addClerk(db, "1002", "李明", "pw");
        addCategory(db, "01", "礼品");
        addGoods(db, "01", "G100", "礼盒", 100, 10);
        addGoods(db, "01", "G50", "花篮", 50, 10);
        for (const auto& [jsj, ye] : {std::pair{"POS1", 100}, {"POS2", 300}, {"POS3", 100}})
            addTill(db, jsj, ye);
        addClosedShift(db, "1001", "POS0", -24, 350, 100);
        addClosedShift(db, "1002", "POS0", -23, 200, 100);
        storedb::signOn(db, "POS1", "1001", kMorning);
        sell(db, "POS1", "G100", 3);
        storedb::signOff(db, "POS1", kMorning.addSecs(600));
        storedb::signOn(db, "POS3", "1001", kMorning.addSecs(700));
        sell(db, "POS3", "G50", 1);
        storedb::signOff(db, "POS3", kMorning.addSecs(800));
        storedb::signOn(db, "POS2", "1001", kMorning.addSecs(900));
        Window ui(f);
        ui.open();
        QCOMPARE(ui.rows(), QStringList({"1001 250", "1001 300", "1002 100"}));
        QCOMPARE(ui.owedShiftsGrid->columnWidth(1), 125);

        ui.lookUp("1001");
        QCOMPARE(ui.rows(), QStringList({"1001 250", "1001 300"}));
        QCOMPARE(ui.boxes(), QStringList({"1001", "王芳", "550元"}));
        QVERIFY(ui.settleButton->isEnabled());
        storedb::signOff(db, "POS2", kMorning.addSecs(1000));
        QVERIFY(ui.settle());
        QCOMPARE(f.responder.shown(), QStringList());
        QCOMPARE(marks(db), QStringList({"POS0 250 已交", "POS0 100 未交", "POS1 300 已交",
                                         "POS2 200 未交", "POS3 0 未交"}));
        QCOMPARE(ui.rows(), QStringList({"1001 200", "1002 100"}));
        QCOMPARE(ui.boxes(), QStringList({"", "", ""}));
        QVERIFY(!ui.settleButton->isEnabled());

        ui.lookUp("1001");
        QCOMPARE(ui.boxes(), QStringList({"1001", "王芳", "200元"}));
        QVERIFY(ui.settle());
        QCOMPARE(marks(db).at(3), QString("POS2 200 已交"));
        expectBooksBalance(db);
    }

    // Only the number looked up, unedited since, can be settled; shifts
    // settled elsewhere in between refuse the whole settlement.
    void settlesNothingButTheLookUp() {
        AdminFixture f;
        f.startAndSignOn();
        Db& db = f.db();
        addClerk(db, "1001", "王芳", "pw");
        addClerk(db, "1002", "李明", "pw");
        addClosedShift(db, "1001", "POS1", 0, 400, 100);
        addClosedShift(db, "1001", "POS2", 1, 200, 100);
        addClosedShift(db, "1002", "POS3", 2, 250, 100);
        Window ui(f);
        ui.open();

        ui.lookUp("1001");
        QVERIFY(ui.settleButton->isEnabled());
        QTest::keyClick(ui.clerkNumber, Qt::Key_Backspace);
        QTest::keyClicks(ui.clerkNumber, "2");
        QVERIFY(!ui.settleButton->isEnabled());
        ui.lookUp("1002");
        QCOMPARE(ui.boxes(), QStringList({"1002", "李明", "150元"}));
        QVERIFY(ui.settle());
        QCOMPARE(marks(db), QStringList({"POS1 300 未交", "POS2 100 未交", "POS3 150 已交"}));

        ui.lookUp("1001");
        QCOMPARE(ui.amountDue->text(), QString("400元"));
        db.exec("another office", "update shyrzb set bj='已交' where jsj='POS2'");
        QVERIFY(!ui.settle());
        QCOMPARE(f.responder.shown(),
                 QStringList{"该售货员的未交营业额已有变动,没有结算！请重新查询。"});
        QCOMPARE(marks(db), QStringList({"POS1 300 未交", "POS2 100 已交", "POS3 150 已交"}));
        QVERIFY(!ui.settleButton->isEnabled());
        ui.lookUp("1001");
        QCOMPARE(ui.amountDue->text(), QString("300元"));
        expectBooksBalance(db);
    }

    void refusals() {
        AdminFixture f;
        f.startAndSignOn();
        Db& db = f.db();
        addClerk(db, "1001", "王芳", "pw");
        addClerk(db, "1002", "李明", "pw");
        addClerk(db, "1003", "赵强", "pw");
        addClosedShift(db, "1001", "POS1", 0, 300, 100);
        addClosedShift(db, "1002", "POS2", 1, 100, 100);
        addClosedShift(db, "1003", "POS3", 2, 500, 100);
        db.exec("removed", "delete from shyb where shyh='1003'");
        Window ui(f);
        ui.open();

        ui.lookUpButton->click();
        QCOMPARE(f.responder.shown(), QStringList{kEnterNumber});
        QCOMPARE(ui.w->focusWidget(), ui.clerkNumber);

        f.responder.clear();
        ui.lookUp("9999");
        QCOMPARE(f.responder.shown(), QStringList{kNoSuchClerk});
        QCOMPARE(ui.boxes(), QStringList({"", "", ""}));
        QCOMPARE(ui.rows(), QStringList());

        ui.lookUp("1002");
        QCOMPARE(ui.boxes(), QStringList({"1002", "李明", "0元"}));
        QVERIFY(!ui.settleButton->isEnabled());

        // A removed clerk's shifts are listed, never settleable.
        f.responder.clear();
        ui.lookUp("1003");
        QCOMPARE(ui.rows(), QStringList{"1003 400"});
        QCOMPARE(f.responder.shown(), QStringList{kNoSuchClerk});
        QVERIFY(!ui.settleButton->isEnabled());

        // Opening again clears the boxes; "结算" then only asks for the number.
        ui.lookUp("1001");
        QVERIFY(ui.settleButton->isEnabled());
        ui.open();
        QCOMPARE(ui.boxes(), QStringList({"", "", ""}));
        QCOMPARE(ui.rows().size(), 2);
        f.responder.clear();
        ui.settleButton->click();
        QCOMPARE(f.responder.shown(), QStringList{kEnterNumber});
        QCOMPARE(marks(db), QStringList({"POS1 200 未交", "POS2 0 未交", "POS3 400 未交"}));
        expectBooksBalance(db);
    }
    // The cash counted, as typed over the amount proposed (none typed: the
    // proposal), Enter to "结算", Enter again; a difference is asked about
    // and recorded. An earlier settlement of the clerk, and one of another
    // clerk, are on file already.
    void recordsTheCashCounted_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("difference");
        QTest::newRow("as owed") << ""
                                 << "550"
                                 << "0";
        QTest::newRow("more") << "560.5"
                              << "560.5"
                              << "10.5";
        QTest::newRow("less") << "500.05"
                              << "500.05"
                              << "-49.95";
        QTest::newRow("nothing") << "0"
                                 << "0"
                                 << "-550";
    }
    void recordsTheCashCounted() {
        QFETCH(QString, typed);
        QFETCH(QString, received);
        QFETCH(QString, difference);
        QTemporaryDir slips;
        EnvGuard copies("TAVO_RECEIPT_PDF", slips.path().toUtf8());
        AdminFixture f;
        f.startAndSignOn();
        Db& db = f.db();
        storedb::saveShopSettings(db, storedb::ShopSettings{"好又多超市", "欢迎光临", 10, 0});
        addClerk(db, "1001", "王芳", "pw");
        addClosedShift(db, "1001", "POS2", 1, 400, 100);
        addClosedShift(db, "1001", "POS1", 0, 350, 100);
        for (const auto& [shyh, settled] :
             {std::pair{"1001", "2024-01-02 09:00:00"}, {"1002", "2024-01-03 09:00:00"}})
            db.exec("earlier",
                    "insert into settlement(settled,glyh,shyh,owed,received,difference) "
                    "values(:settled,'7',:shyh,80,70,-10)",
                    {{"settled", settled}, {"shyh", shyh}});
        Window ui(f);
        ui.open();
        ui.lookUp("1001");
        QCOMPARE(ui.settlements->model()->rowCount(), 1);
        QCOMPARE(ui.received->text(), QString("550"));
        QCOMPARE(ui.w->focusWidget(), ui.received);
        QTest::keyClicks(ui.received, typed); // the proposal is selected
        QTest::keyClick(ui.received, Qt::Key_Return);
        QCOMPARE(ui.w->focusWidget(), ui.settleButton);
        const bool even = difference == "0";
        if (!even)
            f.responder.answer(true);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        PreviewCloser preview;
        QTest::keyClick(ui.settleButton, Qt::Key_Return);
        QVERIFY(preview.shown());
        const QDateTime after = QDateTime::currentDateTime();
        QCOMPARE(f.responder.shown(),
                 even ? QStringList()
                      : QStringList{QString("实收 %1 元,应交 550 元,差额 %2 元。确定结算吗？")
                                        .arg(received, difference)});

        const QString glyh = storedb::kFirstAdministratorNumber;
        QCOMPARE(settlementRows(db),
                 QStringList({"1001 7 80 70 -10", "1002 7 80 70 -10",
                              QString("1001 %1 550 %2 %3").arg(glyh, received, difference)}));
        QSqlQuery q = db.exec("new", "select id,settled from settlement order by id desc");
        QVERIFY(q.next());
        const qint64 id = q.value(0).toLongLong();
        const QDateTime settled = storedb::readDateTime(q.value(1));
        QVERIFY2(settled >= before && settled <= after, qPrintable(settled.toString()));
        q = db.exec("its shifts",
                    "select jsj,dlsj,due from settlementshift where settlement=:id order by jsj",
                    {{"id", id}});
        QStringList shifts;
        while (q.next())
            shifts << QString("%1 %2 %3")
                          .arg(q.value(0).toString(),
                               storedb::readDateTime(q.value(1)).toString("HH:mm"),
                               storedb::numberText(q.value(2).toDouble()));
        QCOMPARE(shifts, QStringList({"POS1 08:00 250", "POS2 09:00 300"}));
        QCOMPARE(rowCount(db, "settlementshift"), 2);
        QCOMPARE(marks(db), QStringList({"POS1 250 已交", "POS2 300 已交"}));

        // Newest first: the one just recorded, then the earlier one.
        QCOMPARE(
            gridRows(ui.settlements, {0}),
            QStringList({QString("%1 550 %2 %3").arg(glyh, received, difference), "7 80 70 -10"}));

        const QStringList files = QDir(slips.path()).entryList({"handin-*.pdf"}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QVERIFY(QRegularExpression(QString("^handin-%1-\\d{8}-\\d{6}\\.pdf$").arg(id))
                    .match(files.first())
                    .hasMatch());
        const QString text = pdfText(slips.filePath(files.first()));
        const auto money = [](const QString& value) {
            return QString::number(value.toDouble(), 'f', 2);
        };
        for (const QString& expected :
             {QString("好又多超市"), QString("交款单"), QString("单号: %1").arg(id),
              settled.toString("yyyy-MM-dd HH:mm:ss"), QString("售货员: 1001 王芳"),
              QString("管理员: %1").arg(glyh), QString("POS1\\s+2024-05-06 08:00\\s+250.00"),
              QString("POS2\\s+2024-05-06 09:00\\s+300.00"), QString("应交金额\\s+550.00"),
              QString("实收金额\\s+%1\\n").arg(QRegularExpression::escape(money(received))),
              QString("差额\\s+%1\\n").arg(QRegularExpression::escape(money(difference)))})
            QVERIFY2(text.contains(QRegularExpression(expected)),
                     qPrintable(expected + "\n" + text));
        expectBooksBalance(db);
    }

    // Refused: nothing recorded, nothing settled, no slip; the look-up stays
    // for the amount to be keyed again.
    void refusesAnAmountThatIsNotMoney_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty") << ""
                               << "请输入实收金额！";
        QTest::newRow("point") << "."
                               << "实收金额必须是数字,请重新输入！";
        QTest::newRow("negative") << "-5"
                                  << "实收金额不能是负数！";
        QTest::newRow("below a fen") << "549.999"
                                     << "实收金额只能精确到分,请重新输入！";
        QTest::newRow("too large") << "10000000000"
                                   << "实收金额不能超过9999999999.99！";
        // A difference the administrator does not confirm.
        QTest::newRow("declined") << "500"
                                  << "实收 500 元,应交 550 元,差额 -50 元。确定结算吗？";
    }
    void refusesAnAmountThatIsNotMoney() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QTemporaryDir slips;
        EnvGuard copies("TAVO_RECEIPT_PDF", slips.path().toUtf8());
        AdminFixture f;
        f.startAndSignOn();
        Db& db = f.db();
        addClerk(db, "1001", "王芳", "pw");
        addClosedShift(db, "1001", "POS1", 0, 650, 100);
        Window ui(f);
        ui.open();
        ui.lookUp("1001");
        ui.received->setText(text); // as pasted, past the key filter
        f.responder.answer(false);
        QVERIFY(!ui.settle());
        QCOMPARE(f.responder.shown(), QStringList{shown});
        QCOMPARE(settlementRows(db), QStringList());
        QCOMPARE(rowCount(db, "settlementshift"), 0);
        QCOMPARE(marks(db), QStringList{"POS1 550 未交"});
        QVERIFY(QDir(slips.path()).entryList({"*.pdf"}, QDir::Files).isEmpty());
        QVERIFY(ui.settleButton->isEnabled());
        QCOMPARE(ui.w->focusWidget(), ui.received);
    }
};

STORE_TEST_MAIN(TestSettlement)
#include "tst_settlement.moc"
