// The settlement window driven through its controls: looking a clerk up,
// settling exactly what the look-up showed, and its refusals; shifts written
// by hand where an amount the till cannot produce is wanted, and by the
// till's own sign-on, charging and sign-off otherwise.

#include "admin/yyejspas.h"
#include "storedb/charge.h"
#include "storedb/datetime.h"
#include "storedb/numtext.h"
#include "storedb/till.h"
#include "support/adminfixture.h"
#include "support/books.h"

#include <QAbstractItemDelegate>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTest>

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

struct Window {
    explicit Window(AdminFixture& f) : office(f) {}
    AdminFixture& office;
    admin::TyyejsForm* w = &office.session().settlementWindow();
    QTableView* DBGrid1 = ctl<QTableView>(w, "DBGrid1");
    QLineEdit* Edit1 = ctl<QLineEdit>(w, "Edit1");
    QLineEdit* Edit2 = ctl<QLineEdit>(w, "Edit2");
    QLineEdit* Edit3 = ctl<QLineEdit>(w, "Edit3");
    QPushButton* BitBtn1 = ctl<QPushButton>(w, "BitBtn1");
    QPushButton* BitBtn2 = ctl<QPushButton>(w, "BitBtn2");

    void open() { office.toolButton("ToolButton4")->click(); }
    // The number typed, Enter to "查询", Enter again.
    void lookUp(const QString& shyh) {
        Edit1->clear();
        QTest::keyClicks(Edit1, shyh);
        QTest::keyClick(Edit1, Qt::Key_Return);
        QTest::keyClick(BitBtn1, Qt::Key_Return);
    }
    // The visible cells of each row, as the grid draws them.
    QStringList rows() const {
        QStringList shown;
        const QAbstractItemModel* model = DBGrid1->model();
        auto* delegate = static_cast<QStyledItemDelegate*>(DBGrid1->itemDelegate());
        for (int row = 0; row < model->rowCount(); ++row) {
            QStringList cells;
            for (int col = 0; col < model->columnCount(); ++col)
                if (!DBGrid1->isColumnHidden(col) && col != 1) // the time is not compared
                    cells << delegate->displayText(model->index(row, col).data(), QLocale());
            shown << cells.join(QLatin1Char(' '));
        }
        return shown;
    }
    QStringList boxes() const { return {Edit1->text(), Edit2->text(), Edit3->text()}; }
};

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
        QCOMPARE(ui.DBGrid1->columnWidth(1), 125);

        ui.lookUp("1001");
        QCOMPARE(ui.rows(), QStringList({"1001 250", "1001 300"}));
        QCOMPARE(ui.boxes(), QStringList({"1001", "王芳", "550元"}));
        QVERIFY(ui.BitBtn2->isEnabled());
        storedb::signOff(db, "POS2", kMorning.addSecs(1000));
        ui.BitBtn2->click();
        QCOMPARE(f.responder.shown(), QStringList());
        QCOMPARE(marks(db), QStringList({"POS0 250 已交", "POS0 100 未交", "POS1 300 已交",
                                         "POS2 200 未交", "POS3 0 未交"}));
        QCOMPARE(ui.rows(), QStringList({"1001 200", "1002 100"}));
        QCOMPARE(ui.boxes(), QStringList({"", "", ""}));
        QVERIFY(!ui.BitBtn2->isEnabled());

        ui.lookUp("1001");
        QCOMPARE(ui.boxes(), QStringList({"1001", "王芳", "200元"}));
        ui.BitBtn2->click();
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
        QVERIFY(ui.BitBtn2->isEnabled());
        QTest::keyClick(ui.Edit1, Qt::Key_Backspace);
        QTest::keyClicks(ui.Edit1, "2");
        QVERIFY(!ui.BitBtn2->isEnabled());
        ui.lookUp("1002");
        QCOMPARE(ui.boxes(), QStringList({"1002", "李明", "150元"}));
        ui.BitBtn2->click();
        QCOMPARE(marks(db), QStringList({"POS1 300 未交", "POS2 100 未交", "POS3 150 已交"}));

        ui.lookUp("1001");
        QCOMPARE(ui.Edit3->text(), QString("400元"));
        db.exec("another office", "update shyrzb set bj='已交' where jsj='POS2'");
        ui.BitBtn2->click();
        QCOMPARE(f.responder.shown(),
                 QStringList{"该售货员的未交营业额已有变动,没有结算！请重新查询。"});
        QCOMPARE(marks(db), QStringList({"POS1 300 未交", "POS2 100 已交", "POS3 150 已交"}));
        QVERIFY(!ui.BitBtn2->isEnabled());
        ui.lookUp("1001");
        QCOMPARE(ui.Edit3->text(), QString("300元"));
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

        ui.BitBtn1->click();
        QCOMPARE(f.responder.shown(), QStringList{kEnterNumber});
        QCOMPARE(ui.w->focusWidget(), ui.Edit1);

        f.responder.clear();
        ui.lookUp("9999");
        QCOMPARE(f.responder.shown(), QStringList{kNoSuchClerk});
        QCOMPARE(ui.boxes(), QStringList({"", "", ""}));
        QCOMPARE(ui.rows(), QStringList());

        ui.lookUp("1002");
        QCOMPARE(ui.boxes(), QStringList({"1002", "李明", "0元"}));
        QVERIFY(!ui.BitBtn2->isEnabled());

        // A removed clerk's shifts are listed, never settleable.
        f.responder.clear();
        ui.lookUp("1003");
        QCOMPARE(ui.rows(), QStringList{"1003 400"});
        QCOMPARE(f.responder.shown(), QStringList{kNoSuchClerk});
        QVERIFY(!ui.BitBtn2->isEnabled());

        // Opening again clears the boxes; "结算" then only asks for the number.
        ui.lookUp("1001");
        QVERIFY(ui.BitBtn2->isEnabled());
        ui.open();
        QCOMPARE(ui.boxes(), QStringList({"", "", ""}));
        QCOMPARE(ui.rows().size(), 2);
        f.responder.clear();
        ui.BitBtn2->click();
        QCOMPARE(f.responder.shown(), QStringList{kEnterNumber});
        QCOMPARE(marks(db), QStringList({"POS1 200 未交", "POS2 0 未交", "POS3 400 未交"}));
        expectBooksBalance(db);
    }
};

STORE_TEST_MAIN(TestSettlement)
#include "tst_settlement.moc"
