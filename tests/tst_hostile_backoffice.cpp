// The back office's stock, correction, personnel, registration and
// settlement windows fed garbage in every box, by keys, by paste and by
// program text: the administrator reads a short Chinese message or nothing
// happens; the store changes only where and as the window itself writes,
// with what the boxes held; nothing crashes.

#include "admin/correctionwindow.h"
#include "admin/personnelwindow.h"
#include "admin/settlementwindow.h"
#include "admin/stockwindow.h"
#include "admin/tillregistrationwindow.h"
#include "storedb/columntext.h"
#include "storedb/datetime.h"
#include "storedb/errors.h"
#include "storedb/procedures.h"
#include "storedb/schema.h"
#include "storedb/stock.h"
#include "support/adminfixture.h"
#include "support/books.h"
#include "support/hostile.h"

#include <QDateTimeEdit>
#include <QMap>
#include <QRadioButton>
#include <QSqlRecord>
#include <QTableView>

#include <climits>
#include <cmath>

using namespace testsupport;
using storedb::Db;

namespace {

// ---------------------------------------------------------------------------
// What the store holds

// Every row of every permanent table, and which tables there are.
struct StoreState {
    QStringList tables;
    QMap<QString, QStringList> rows;
};

StoreState snapshot(Db& db) {
    StoreState state;
    state.tables = tables(db);
    for (const QString& table : storedb::permanentTables()) {
        QSqlQuery q = db.exec(QStringLiteral("snapshot"), QStringLiteral("select * from ") + table);
        QStringList rows;
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i)
                cells << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
            rows << cells.join(QLatin1Char('|'));
        }
        rows.sort();
        state.rows.insert(table, rows);
    }
    return state;
}

// Nothing changed but the tables named.
void verifyOnlyChanged(const StoreState& before, const StoreState& after,
                       const QStringList& mayChange, const QByteArray& where) {
    QVERIFY2(after.tables == before.tables, where + " tables made or dropped");
    for (auto it = before.rows.begin(); it != before.rows.end(); ++it) {
        if (!mayChange.contains(it.key()))
            QVERIFY2(after.rows.value(it.key()) == it.value(), where + " " + it.key().toUtf8());
    }
}

// A movement writes the log and the stock; the store keeps the log's totals
// beside it.
const QStringList kLogAndStock{"hwrzb", "hwrzhjb", "hwb"};

// Messages a box may cause: short, and never a database failure, which
// would say the input broke a statement.
void verifyPlainMessages(const QStringList& shown, const QByteArray& where) {
    for (const QString& text : shown) {
        const QByteArray what = where + ": " + text.left(80).toUtf8();
        QVERIFY2(storedb::columnCharacters(text) <= 120, what);
        QVERIFY2(text != storedb::kStatementFailed, what);
        QVERIFY2(!text.contains(QStringLiteral("连接中断")), what);
    }
}

QVariant scalar(Db& db, const QString& sql, const storedb::Params& params = {}) {
    QSqlQuery q = db.exec(QStringLiteral("scalar"), sql, params);
    return q.next() ? q.value(0) : QVariant();
}

qint64 piecesOf(Db& db, const QString& hwh) {
    return scalar(db, QStringLiteral("select kcl from hwb where hwh=:hwh"), {{"hwh", hwh}})
        .toLongLong();
}

bool sameMoney(const QVariant& stored, double expected) {
    return std::fabs(stored.toDouble() - expected) < 0.001;
}

// What a number box's text is worth as a number, read the plain way: no
// grouping, blanks around allowed, nothing infinite.
std::optional<double> numberIn(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

std::optional<int> wholeIn(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// A price the store keeps: not negative, at most 99999999.9, to `places`.
bool keptPrice(double value, int places) {
    const double scaled = value * std::pow(10.0, places);
    return value >= 0 && value <= 99999999.9 && std::fabs(scaled - std::round(scaled)) < 1e-6;
}

// Free text as a column keeps it: at most 50 characters, none invisible.
bool keptText(const QString& text) {
    return storedb::columnCharacters(text) <= storedb::kCodeWidth && !controlCharacter(text);
}

// People by number: name and password.
using People = QMap<QString, std::pair<QString, QString>>;
People people(Db& db, const QString& table) {
    const QString key = table == QLatin1String("glyb") ? QStringLiteral("glyh, glym")
                                                       : QStringLiteral("shyh, shym");
    QSqlQuery q =
        db.exec(QStringLiteral("people"), QStringLiteral("select %1, mm from %2").arg(key, table));
    People found;
    while (q.next())
        found.insert(q.value(0).toString(), {q.value(1).toString(), q.value(2).toString()});
    return found;
}

// The log row with this number: dj sl rhj hwly crk hwh.
struct LogRow {
    double dj = 0;
    int sl = 0;
    double rhj = 0;
    QVariant hwly;
    QString crk;
    QString hwh;
};
LogRow logRow(Db& db, int bh) {
    QSqlQuery q = db.exec(QStringLiteral("log row"),
                          QStringLiteral("select dj,sl,rhj,hwly,crk,hwh from hwrzb where bh=:bh"),
                          {{"bh", bh}});
    if (!q.next())
        return {};
    return {q.value(0).toDouble(), q.value(1).toInt(),   q.value(2).toDouble(), q.value(3),
            q.value(4).toString(), q.value(5).toString()};
}

int lastBh(Db& db) {
    return scalar(db, QStringLiteral("select max(bh) from hwrzb")).toInt();
}

} // namespace

class TestHostileBackOffice : public QObject {
    Q_OBJECT

    std::unique_ptr<AdminFixture> office;
    // Cases the window carried out: some garbage, as the keys leave it, is
    // good input, so each window must have written something.
    int succeeded_ = 0;

    Db& db() { return office->db(); }
    formkit::ScriptedResponder& responder() { return office->responder; }
    // Questions left unasked by the last case would answer this one's.
    void dropAnswers() {
        while (responder().pendingAnswers() > 0)
            formkit::askYesNo(QString());
        responder().clear();
    }

    static QLineEdit* box(QWidget* window, const char* name) {
        return ctl<QLineEdit>(window, name);
    }
    static void press(QWidget* window, const char* name) {
        ctl<QPushButton>(window, name)->click();
    }

    // Drives the stock window's boxes, one at a time, in the mode opened by
    // `entry`: each box gets the corpus, the others a good line.
    void feedStockWindow(const char* entry, const QList<const char*>& boxes,
                         const QStringList& good) {
        admin::StockWindow& form = office->windows().stockWindow();
        office->action(entry)->trigger();
        QVERIFY(form.isVisible());
        const bool stockIn = QByteArray(entry) == "stockInAction";
        const QString goOn =
            stockIn ? QStringLiteral("你还要继续入库吗？") : QStringLiteral("你还要继续出库吗？");
        for (int target = 0; target < boxes.size(); ++target) {
            StoreState before;
            QStringList typed;
            qint64 piecesBefore = 0;
            feedAll(
                responder(), box(&form, boxes.at(target)),
                [&] {
                    dropAnswers();
                    for (int i = 0; i < boxes.size(); ++i)
                        box(&form, boxes.at(i))->setText(good.at(i));
                    before = snapshot(db());
                    piecesBefore = piecesOf(db(), "A1");
                },
                [&] {
                    typed.clear();
                    for (const char* name : boxes)
                        typed << box(&form, name)->text();
                    // The goods box looks up on Enter as well.
                    if (target == 0)
                        QTest::keyClick(box(&form, "goodsNumber"), Qt::Key_Return);
                    responder().answer(true);
                    responder().answer(true);
                    press(&form, "confirmButton");
                },
                [&](const QString&, const QByteArray& where) {
                    verifyPlainMessages(responder().shown(), where);
                    const StoreState after = snapshot(db());
                    if (!responder().asked().contains(goOn)) {
                        verifyOnlyChanged(before, after, {}, where);
                        return;
                    }
                    // Recorded: one log row of what the boxes held, and the
                    // stock moved by its pieces.
                    verifyOnlyChanged(before, after, kLogAndStock, where);
                    ++succeeded_;
                    QVERIFY2(after.rows["hwrzb"].size() == before.rows["hwrzb"].size() + 1, where);
                    const LogRow row = logRow(db(), lastBh(db()));
                    const auto sl = wholeIn(typed.at(stockIn ? 3 : 2));
                    const auto price = numberIn(typed.at(1));
                    QVERIFY2(typed.at(0) == "A1" && row.hwh == "A1", where);
                    QVERIFY2(sl && *sl >= 1 && row.sl == *sl, where);
                    QVERIFY2(price && keptPrice(*price, stockIn ? 2 : 1), where);
                    const QString hwly = typed.last();
                    QVERIFY2(keptText(hwly) && row.hwly.toString() == hwly, where);
                    if (stockIn) {
                        const auto dj = numberIn(typed.at(2));
                        QVERIFY2(dj && keptPrice(*dj, 1) && sameMoney(row.dj, *dj), where);
                        QVERIFY2(sameMoney(row.rhj, *price), where);
                        QVERIFY2(piecesOf(db(), "A1") == piecesBefore + *sl, where);
                    } else {
                        QVERIFY2(sameMoney(row.dj, *price) && row.rhj == 0, where);
                        QVERIFY2(piecesOf(db(), "A1") == piecesBefore - *sl, where);
                    }
                    QVERIFY2(piecesOf(db(), "A1") >= 0 && piecesOf(db(), "A1") <= INT_MAX, where);
                });
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(succeeded_ > 0);
    }

    // The correction window on a listed, picked movement of the direction:
    // each box gets the corpus, the others good values.
    void feedCorrection(bool stockIn, int bh, const QList<const char*>& boxes,
                        const QStringList& good) {
        admin::CorrectionWindow& form = office->windows().correctionWindow();
        office->action("movementCorrectionAction")->trigger();
        QVERIFY(form.isVisible());
        ctl<QRadioButton>(&form, stockIn ? "stockInOption" : "stockOutOption")->click();
        ctl<QDateTimeEdit>(&form, "firstDay")->setDate(QDate::currentDate());
        ctl<QDateTimeEdit>(&form, "lastDay")->setDate(QDate::currentDate());
        auto* grid = ctl<QTableView>(&form, "movementsGrid");
        auto pick = [&] {
            press(&form, "movementQueryButton");
            const QAbstractItemModel* rows = grid->model();
            for (int row = 0; row < rows->rowCount(); ++row) {
                if (rows->index(row, 0).data().toInt() == bh) {
                    const QPoint at = grid->visualRect(rows->index(row, 0)).center();
                    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
                    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
                }
            }
            QVERIFY(ctl<QPushButton>(&form, "correctButton")->isEnabled());
        };
        for (int target = 0; target < boxes.size(); ++target) {
            StoreState before;
            QStringList typed;
            LogRow old;
            qint64 piecesBefore = 0;
            feedAll(
                responder(), box(&form, boxes.at(target)),
                [&] {
                    pick();
                    for (int i = 0; i < boxes.size(); ++i)
                        box(&form, boxes.at(i))->setText(good.at(i));
                    responder().clear();
                    before = snapshot(db());
                    old = logRow(db(), bh);
                    piecesBefore = piecesOf(db(), "A1");
                },
                [&] {
                    typed.clear();
                    for (const char* name : boxes)
                        typed << box(&form, name)->text();
                    press(&form, "correctButton");
                },
                [&](const QString&, const QByteArray& where) {
                    verifyPlainMessages(responder().shown(), where);
                    const StoreState after = snapshot(db());
                    if (responder().shown() != QStringList{"出入库修改成功！"}) {
                        verifyOnlyChanged(before, after, {}, where);
                        return;
                    }
                    // Corrected: the row holds what the boxes held, the
                    // stock moved by the change of pieces.
                    verifyOnlyChanged(before, after, kLogAndStock + QStringList{"changerecord"},
                                      where);
                    ++succeeded_;
                    const LogRow row = logRow(db(), bh);
                    const auto dj = numberIn(typed.at(0));
                    const auto sl = wholeIn(typed.at(1));
                    QVERIFY2(dj && keptPrice(*dj, 1) && sameMoney(row.dj, *dj), where);
                    QVERIFY2(sl && *sl >= 0 && row.sl == *sl, where);
                    QVERIFY2(row.crk == old.crk && row.hwh == old.hwh, where);
                    const qint64 moved = piecesOf(db(), "A1") - piecesBefore;
                    if (stockIn) {
                        const auto rhj = numberIn(typed.at(2));
                        QVERIFY2(rhj && keptPrice(*rhj, 2) && sameMoney(row.rhj, *rhj), where);
                        QVERIFY2(keptText(typed.at(3)) && row.hwly.toString() == typed.at(3),
                                 where);
                        QVERIFY2(moved == qint64(*sl) - old.sl, where);
                    } else {
                        QVERIFY2(row.rhj == old.rhj && row.hwly == old.hwly, where);
                        QVERIFY2(moved == qint64(old.sl) - *sl, where);
                    }
                    QVERIFY2(piecesOf(db(), "A1") >= 0 && piecesOf(db(), "A1") <= INT_MAX, where);
                });
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(succeeded_ > 0);
    }

  private slots:
    void init() {
        office = std::make_unique<AdminFixture>();
        // A question nobody queued an answer for is answered No.
        office->responder.onUnanswered = [](const QString&) {};
        succeeded_ = 0;
        office->startAndSignOn();
        addCategory(db(), "01", "饮料");
        storedb::sppztj(db(), "01", "A1", "可乐");
    }

    void cleanup() {
        if (office && !QTest::currentTestFailed())
            expectBooksBalance(db());
        office.reset();
    }

    // -----------------------------------------------------------------------
    // Stock movements

    void stockInBoxes() {
        feedStockWindow("stockInAction",
                        {"goodsNumber", "movementPrice", "unitPrice", "quantity", "source"},
                        {"A1", "2.35", "3.5", "10", "甲公司"});
    }

    void stockOutBoxes() {
        storedb::recordStockIn(db(), {"A1", 2, 3.5, 5000, "甲"}, "1", QDate::currentDate());
        feedStockWindow("stockOutAction", {"goodsNumber", "movementPrice", "quantity", "source"},
                        {"A1", "3.5", "2", "退货"});
    }

    // -----------------------------------------------------------------------
    // Corrections

    void correctionBoxes() {
        storedb::recordStockIn(db(), {"A1", 2, 3.5, 500, "甲"}, "1", QDate::currentDate());
        const int stockInBh = lastBh(db());
        storedb::recordStockOut(db(), {"A1", 3.5, 20, "乙"}, "1", QDate::currentDate());
        const int stockOutBh = lastBh(db());
        feedCorrection(true, stockInBh, {"unitPrice", "quantity", "buyingPrice", "source"},
                       {"3.5", "480", "2.25", "甲"});
        if (QTest::currentTestFailed())
            return;
        feedCorrection(false, stockOutBh, {"unitPrice", "quantity"}, {"3.5", "30"});
    }

    void priceChangeBoxes() {
        storedb::recordStockIn(db(), {"A1", 2, 3.5, 5, "甲"}, "1", QDate::currentDate());
        admin::CorrectionWindow& form = office->windows().correctionWindow();
        office->action("priceChangeAction")->trigger();
        QVERIFY(form.isVisible());
        auto* change = ctl<QPushButton>(&form, "changePriceButton");
        StoreState before;

        // No goods bear a garbage number: nothing to change.
        feedAll(
            responder(), box(&form, "goodsNumber"), [&] { before = snapshot(db()); },
            [&] {
                press(&form, "lookUpButton");
                box(&form, "newPrice")->setText("4.5");
                change->click();
            },
            [&](const QString&, const QByteArray& where) {
                verifyPlainMessages(responder().shown(), where);
                QVERIFY2(!change->isEnabled(), where);
                QVERIFY2(box(&form, "goodsName")->text().isEmpty(), where);
                verifyOnlyChanged(before, snapshot(db()), {}, where);
            });

        // A new price is kept only as a price the tills can charge.
        feedAll(
            responder(), box(&form, "newPrice"),
            [&] {
                box(&form, "goodsNumber")->setText("A1");
                press(&form, "lookUpButton");
                QVERIFY(change->isEnabled());
                responder().clear();
                before = snapshot(db());
            },
            [&] { change->click(); },
            [&](const QString& held, const QByteArray& where) {
                verifyPlainMessages(responder().shown(), where);
                const StoreState after = snapshot(db());
                if (responder().shown() != QStringList{"单价修改成功！"}) {
                    verifyOnlyChanged(before, after, {}, where);
                    return;
                }
                verifyOnlyChanged(before, after, {"hwb", "changerecord"}, where);
                ++succeeded_;
                const auto dj = numberIn(held);
                QVERIFY2(dj && keptPrice(*dj, 1), where);
                QVERIFY2(sameMoney(scalar(db(), "select dj from hwb where hwh='A1'"), *dj), where);
            });
        QVERIFY(succeeded_ > 0);
    }

    // -----------------------------------------------------------------------
    // Personnel

    void administratorBoxes_data() {
        QTest::addColumn<int>("action");
        QTest::newRow("add") << 0;
        QTest::newRow("delete") << 1;
        QTest::newRow("modify") << 2;
    }

    void administratorBoxes() {
        QFETCH(int, action);
        admin::PersonnelWindow& form = office->windows().personnelWindow();
        office->action("administratorsAction")->trigger();
        QVERIFY(form.isVisible());
        const char* radio[] = {"addAdministratorOption", "deleteAdministratorOption",
                               "modifyAdministratorOption"};
        ctl<QRadioButton>(&form, radio[action])->click();
        const char* names[] = {"administratorNumber", "administratorName", "administratorPassword",
                               "administratorSecondPassword"};
        const char* done[] = {" 添加成功！", " 删除成功！", " 修改成功！"};
        int fresh = 0;
        for (const char* target : names) {
            StoreState before;
            People was;
            QStringList typed;
            feedAll(
                responder(), box(&form, target),
                [&] {
                    // Administrator 2 as every case finds it.
                    db().exec("reset", "delete from glyb where glyh<>'1'");
                    db().exec("reset", "insert into glyb values('2','李','pw2')");
                    const QString number =
                        action == 0 ? QStringLiteral("N%1").arg(++fresh) : QStringLiteral("2");
                    const QStringList good{number, "李", "pw2", "pw2"};
                    for (int i = 0; i < 4; ++i)
                        box(&form, names[i])->setText(good.at(i));
                    before = snapshot(db());
                    was = people(db(), "glyb");
                },
                [&] {
                    // Adding and deleting need the password twice alike.
                    if (QByteArray(target) == "administratorPassword" && action != 2)
                        box(&form, "administratorSecondPassword")
                            ->setText(box(&form, "administratorPassword")->text());
                    typed.clear();
                    for (const char* name : names)
                        typed << box(&form, name)->text();
                    press(&form, "administratorConfirmButton");
                },
                [&](const QString&, const QByteArray& where) {
                    verifyPlainMessages(responder().shown(), where);
                    const StoreState after = snapshot(db());
                    const QString glyh = storedb::normalizeCode(typed.at(0));
                    const QString glym = storedb::normalizeCode(typed.at(1));
                    const QString message = QStringLiteral("管理员 ") + glym + done[action];
                    if (responder().shown() != QStringList{message}) {
                        verifyOnlyChanged(before, after, {}, where);
                        return;
                    }
                    verifyOnlyChanged(before, after, {"glyb"}, where);
                    ++succeeded_;
                    People expected = was;
                    if (action == 0) {
                        QVERIFY2(!was.contains(glyh) && typed.at(2) == typed.at(3), where);
                        verifyStoredText(glyh, true, where);
                        verifyStoredText(glym, false, where);
                        QVERIFY2(keptText(typed.at(3)), where);
                        expected.insert(glyh, {glym, typed.at(3)});
                    } else if (action == 1) {
                        QVERIFY2(was.contains(glyh) && was[glyh].second == typed.at(2) &&
                                     typed.at(2) == typed.at(3),
                                 where);
                        expected.remove(glyh);
                    } else {
                        QVERIFY2(was.contains(glyh) && was[glyh].second == typed.at(2), where);
                        verifyStoredText(glym, false, where);
                        QVERIFY2(keptText(typed.at(3)), where);
                        expected[glyh] = {glym, typed.at(3)};
                    }
                    QVERIFY2(people(db(), "glyb") == expected, where);
                });
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(succeeded_ > 0);
    }

    void clerkBoxes_data() {
        QTest::addColumn<int>("action");
        QTest::newRow("add") << 0;
        QTest::newRow("delete") << 1;
        QTest::newRow("modify") << 2;
    }

    void clerkBoxes() {
        QFETCH(int, action);
        admin::PersonnelWindow& form = office->windows().personnelWindow();
        office->action("clerksAction")->trigger();
        QVERIFY(form.isVisible());
        const char* radio[] = {"addClerkOption", "deleteClerkOption", "modifyClerkOption"};
        ctl<QRadioButton>(&form, radio[action])->click();
        const char* done[] = {" 添加成功！", " 删除成功！", " 修改成功！"};
        int fresh = 0;
        for (const char* target : {"clerkNumber", "clerkName"}) {
            StoreState before;
            People was;
            QStringList typed;
            feedAll(
                responder(), box(&form, target),
                [&] {
                    db().exec("reset", "delete from shyb");
                    db().exec("reset", "insert into shyb values('1002','小李','1002')");
                    box(&form, "clerkNumber")
                        ->setText(action == 0 ? QStringLiteral("C%1").arg(++fresh)
                                              : QStringLiteral("1002"));
                    box(&form, "clerkName")->setText("小李");
                    before = snapshot(db());
                    was = people(db(), "shyb");
                },
                [&] {
                    typed = QStringList{box(&form, "clerkNumber")->text(),
                                        box(&form, "clerkName")->text()};
                    press(&form, "clerkConfirmButton");
                },
                [&](const QString&, const QByteArray& where) {
                    verifyPlainMessages(responder().shown(), where);
                    const StoreState after = snapshot(db());
                    const QString shyh = storedb::normalizeCode(typed.at(0));
                    const QString shym = storedb::normalizeCode(typed.at(1));
                    if (responder().shown() !=
                        QStringList{QStringLiteral("售货员 ") + shym + done[action]}) {
                        verifyOnlyChanged(before, after, {}, where);
                        return;
                    }
                    verifyOnlyChanged(before, after, {"shyb"}, where);
                    ++succeeded_;
                    verifyStoredText(shym, false, where);
                    People expected = was;
                    if (action == 0) {
                        // A new clerk's password is the number.
                        QVERIFY2(!was.contains(shyh), where);
                        verifyStoredText(shyh, true, where);
                        expected.insert(shyh, {shym, shyh});
                    } else if (action == 1) {
                        QVERIFY2(was.contains(shyh), where);
                        expected.remove(shyh);
                    } else {
                        QVERIFY2(was.contains(shyh), where);
                        expected[shyh].first = shym;
                    }
                    QVERIFY2(people(db(), "shyb") == expected, where);
                });
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(succeeded_ > 0);
    }

    // -----------------------------------------------------------------------
    // Registration

    void registrationBoxes() {
        admin::TillRegistrationWindow& form = office->windows().registrationWindow();
        office->action("tillRegistrationAction")->trigger();
        QVERIFY(form.isVisible());
        int fresh = 0;
        for (const char* target : {"tillName", "floatAmount"}) {
            StoreState before;
            QString jsj;
            QString amount;
            feedAll(
                responder(), box(&form, target),
                [&] {
                    box(&form, "tillName")->setText(QStringLiteral("POS%1").arg(++fresh));
                    box(&form, "floatAmount")->setText("10");
                    before = snapshot(db());
                },
                [&] {
                    jsj = box(&form, "tillName")->text();
                    amount = box(&form, "floatAmount")->text();
                    press(&form, "registerButton");
                },
                [&](const QString&, const QByteArray& where) {
                    verifyPlainMessages(responder().shown(), where);
                    const StoreState after = snapshot(db());
                    if (responder().shown() != QStringList{QStringLiteral("计算机 ") + jsj +
                                                           QStringLiteral(" 注册成功！")}) {
                        verifyOnlyChanged(before, after, {}, where);
                        return;
                    }
                    // A till row under the name as typed, standing by with
                    // the float: no sale table until a clerk signs on there.
                    verifyOnlyChanged(before, after, {"jqb"}, where);
                    ++succeeded_;
                    QVERIFY2(after.rows["jqb"].size() == before.rows["jqb"].size() + 1, where);
                    try {
                        storedb::checkTillName(jsj);
                    } catch (const storedb::Error&) {
                        QFAIL((where + " registered a name no till may have").constData());
                    }
                    const auto ye = numberIn(amount);
                    QVERIFY2(ye && *ye >= 0 && *ye <= 99999999.9, where);
                    QSqlQuery q = db().exec("till", "select shyh,ye,yye,zt from jqb where jsj=:jsj",
                                            {{"jsj", jsj}});
                    QVERIFY2(q.next() && q.value(0).isNull(), where);
                    // Kept to one decimal.
                    QVERIFY2(std::fabs(q.value(1).toDouble() - *ye) <= 0.05 + 1e-9, where);
                    QVERIFY2(q.value(2).toDouble() == 0 && q.value(3).toString() == "待机", where);
                });
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(succeeded_ > 0);
    }

    // -----------------------------------------------------------------------
    // Settlement

    void settlementBox() {
        addClerk(db(), "1001", "王芳", "pw");
        db().exec("owed shift",
                  "insert into shyrzb(shyh,jsj,dlsj,qye,zxsj,yye,xye,bj) "
                  "values('1001','POS1',:dlsj,350,:zxsj,0,100,'未交')",
                  {{"dlsj", storedb::dateTimeParam(QDateTime(QDate(2024, 5, 6), QTime(8, 0)))},
                   {"zxsj", storedb::dateTimeParam(QDateTime(QDate(2024, 5, 6), QTime(16, 0)))}});
        admin::SettlementWindow& form = office->windows().settlementWindow();
        office->action("settlementAction")->trigger();
        QVERIFY(form.isVisible());
        QLineEdit* number = box(&form, "clerkNumber");
        auto* settle = ctl<QPushButton>(&form, "settleButton");
        StoreState before;
        auto unchanged = [&](const QString&, const QByteArray& where) {
            verifyPlainMessages(responder().shown(), where);
            verifyOnlyChanged(before, snapshot(db()), {}, where);
        };

        // No clerk has a garbage number: nothing to settle.
        feedAll(
            responder(), number, [&] { before = snapshot(db()); },
            [&] {
                press(&form, "lookUpButton");
                if (settle->isEnabled())
                    settle->click();
            },
            [&](const QString& held, const QByteArray& where) {
                unchanged(held, where);
                QVERIFY2(!settle->isEnabled(), where);
            });
        if (QTest::currentTestFailed())
            return;
        // A clerk looked up, then the number replaced by garbage: the clerk
        // shown is no longer the one looked up, so nothing is settled.
        feedAll(
            responder(), number,
            [&] {
                number->setText("1001");
                press(&form, "lookUpButton");
                QVERIFY(settle->isEnabled());
                before = snapshot(db());
            },
            [&] { settle->click(); }, unchanged);
        QCOMPARE(scalar(db(), "select bj from shyrzb").toString(), QString("未交"));
        // Garbage as the cash received: refused, or a difference asked about
        // and declined; never settled.
        office->responder.onUnanswered = [](const QString&) {};
        feedAll(
            responder(), box(&form, "receivedEdit"),
            [&] {
                number->setText("1001");
                press(&form, "lookUpButton");
                before = snapshot(db());
            },
            [&] { settle->click(); }, unchanged);
        QCOMPARE(scalar(db(), "select count(*) from settlement").toInt(), 0);
    }
};

STORE_TEST_MAIN(TestHostileBackOffice)
#include "tst_hostile_backoffice.moc"
