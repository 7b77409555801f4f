// The writer under every export, without a window or a store: values as the
// lists show them in text, a list longer than a worksheet spread over
// several, and an export cancelled or failed leaving no file, whole or part,
// and nothing held open.

#include "formkit/exportwriter.h"
#include "storedb/numtext.h"
#include "support/exportreader.h"
#include "support/teststore.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QTemporaryDir>

using namespace testsupport;

namespace {

qsizetype openFiles() {
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
        .size();
}

storedb::RowSet numbered(int count) {
    storedb::RowSet rows;
    rows.columns = QStringList{"号", "名称"};
    for (int i = 1; i <= count; ++i)
        rows.rows << QVariantList{i, QString("货%1").arg(i)};
    return rows;
}

} // namespace

class TestExportWriter : public QObject {
    Q_OBJECT

  private slots:
    void cellText_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("floating-point noise") << QVariant(0.1 + 0.2) << "0.3";
        QTest::newRow("money") << QVariant(12.50) << "12.5";
        QTest::newRow("half a fen, rounded away") << QVariant(2.675) << "2.68";
        QTest::newRow("half a fen, just below in binary") << QVariant(1.005) << "1.01";
        QTest::newRow("negative zero") << QVariant(-0.0) << "0";
        QTest::newRow("large, no exponent") << QVariant(1e15) << "1000000000000000";
        QTest::newRow("integer") << QVariant(qlonglong(-42)) << "-42";
        QTest::newRow("stored day") << QVariant("2024-03-05 00:00:00") << "2024-03-05";
        QTest::newRow("stored moment") << QVariant("2024-03-05 12:30:05") << "2024-03-05 12:30:05";
        QTest::newRow("ISO moment") << QVariant("2024-03-05T12:30:05.250") << "2024-03-05 12:30:05";
        QTest::newRow("ISO midnight") << QVariant("2024-03-05T00:00:00") << "2024-03-05";
        QTest::newRow("day as text") << QVariant("2024-03-05") << "2024-03-05";
        QTest::newRow("year 2 as text") << QVariant("0002-03-05 00:00:01") << "0002-03-05 00:00:01";
        QTest::newRow("timestamp")
            << QVariant(QDateTime(QDate(2024, 3, 5), QTime(8, 0, 1))) << "2024-03-05 08:00:01";
        QTest::newRow("date") << QVariant(QDate(2024, 3, 5)) << "2024-03-05";
        QTest::newRow("no such day stays text")
            << QVariant("2024-02-30 00:00:00") << "2024-02-30 00:00:00";
        QTest::newRow("goods number stays text") << QVariant("0012") << "0012";
        QTest::newRow("null") << QVariant(QMetaType::fromType<double>()) << "";
    }
    void cellText() {
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        QCOMPARE(formkit::cellText(value), text);
    }

    // Every amount reads as the grids show it (rounded to the fen, shortest).
    void amountsReadAsTheGridsShowThem() {
        QRandomGenerator random(25);
        for (int i = 0; i < 20000; ++i) {
            const double value = (random.bounded(2000000) - 1000000) / 100.0 +
                                 (i % 3 ? 0 : random.generateDouble() / 1000);
            QCOMPARE(formkit::cellText(value), storedb::numberText(storedb::roundFen(value)));
        }
    }

    // Past a sheet's last row the rows go on in a sheet of their own, under
    // the titles again; the sheet's name is one Excel takes.
    void aLongListGoesOnInFurtherSheets() {
        QTemporaryDir dir;
        formkit::RowSetRows rows(numbered(25));
        formkit::ExportProgress progress;
        formkit::ExportOptions options;
        options.sheetName = "进货/退货:清单*2024?[全部]且名字很长很长很长很长很长很长很长很长";
        options.rowsPerSheet = 10;
        const QString path = dir.filePath("long.xlsx");
        const formkit::ExportOutcome outcome =
            formkit::writeExport(rows, formkit::ExportFormat::Xlsx, path, progress, options);
        QCOMPARE(outcome.result, formkit::ExportOutcome::Written);
        QCOMPARE(outcome.rows, 25);
        const QJsonArray sheets = readBack(path)["sheets"].toArray();
        QCOMPARE(sheets.size(), 3);
        const QString name = "进货_退货_清单_2024__全部_且名字很长很长很长很长很长很长";
        QStringList names;
        QList<qsizetype> lengths;
        int next = 1;
        for (const QJsonValue sheet : sheets) {
            names << sheet["name"].toString();
            const QJsonArray sheetRows = sheet["rows"].toArray();
            lengths << sheetRows.size();
            QCOMPARE(sheetRows.at(0)[1][1].toString(), QString("名称"));
            for (qsizetype r = 1; r < sheetRows.size(); ++r, ++next) {
                QCOMPARE(sheetRows.at(r)[0][1].toInt(), next);
                QCOMPARE(sheetRows.at(r)[1][1].toString(), QString("货%1").arg(next));
            }
        }
        QCOMPARE(next, 26);
        QCOMPARE(lengths, QList<qsizetype>({11, 11, 6}));
        QCOMPARE(names, QStringList({name.left(31), name.left(28) + "(2)", name.left(28) + "(3)"}));
    }

    // Cancelled or unable to write: no file, no part of one, no file left
    // open; a file that stood there stays as it was.
    void anExportNotWrittenLeavesNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("cancel");
        for (const QString format : {"xlsx", "csv"}) {
            QTest::newRow(qPrintable("cancelled " + format)) << "list." + format << true;
            QTest::newRow(qPrintable("no such folder " + format))
                << "missing/list." + format << false;
        }
    }
    void anExportNotWrittenLeavesNothing() {
        QFETCH(QString, name);
        QFETCH(bool, cancel);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QFile old(path);
        if (cancel) {
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old");
            old.close();
        }
        const qsizetype before = openFiles();
        formkit::RowSetRows rows(numbered(5000));
        formkit::ExportProgress progress;
        progress.cancel = cancel;
        const formkit::ExportOutcome outcome = formkit::writeExport(
            rows, name.endsWith("csv") ? formkit::ExportFormat::Csv : formkit::ExportFormat::Xlsx,
            path, progress);
        QCOMPARE(openFiles(), before);
        QCOMPARE(outcome.result,
                 cancel ? formkit::ExportOutcome::Cancelled : formkit::ExportOutcome::Failed);
        QCOMPARE(QDir(dir.path())
                     .entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
                 cancel ? QStringList{name} : QStringList{});
        if (cancel) {
            QVERIFY(old.open(QIODevice::ReadOnly));
            QCOMPARE(old.readAll(), QByteArray("old"));
        } else {
            QCOMPARE(outcome.userText, "不能写入文件 " + QDir::toNativeSeparators(path) +
                                           " ,请换一个文件夹或文件名！");
        }
    }
};

STORE_TEST_MAIN(TestExportWriter)
#include "unit_export_writer.moc"
