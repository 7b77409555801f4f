// link.udl as a damaged disk, a careless editor or a hostile user leaves it:
// thousands of mutated files, the same ones every run. Each must give a usable link
// or a DataLinkError, quickly; at the till's start-up a bad one ends the
// program with the one connection message.

#include "till_harness.h"

#include "storedb/errors.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <algorithm>

using namespace storedb;
using namespace tilltest;

namespace {

const QString kBase = QStringLiteral("/srv/shop/till");
const QString kConnectionError = QStringLiteral("数据库连接错误,请检查！程序将自动关闭！");

QByteArray encoded(const QString& text, QStringConverter::Encoding encoding) {
    QStringEncoder encoder(encoding);
    return QByteArray(encoder.encode(text));
}

// Good files in every form the reader takes; the mutations start from these.
QList<QByteArray> goodFiles() {
    const QString sqlite =
        QStringLiteral("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n"
                       "Provider=SQLite;Data Source=数据/store.db\r\n");
    const QString server = QStringLiteral(
        "[oledb]\r\nProvider=PostgreSQL;Data Source=db.shop;Port=5433;Initial Catalog=store;"
        "User ID=\"till;one\";Password='it''s \"secret\"'\r\n");
    return {
        sqlite.toUtf8(),
        server.toUtf8(),
        QByteArray("\xEF\xBB\xBF") + server.toUtf8(),
        QByteArray("\xFF\xFE") + encoded(sqlite, QStringConverter::Utf16LE),
        QByteArray("\xFE\xFF") + encoded(server, QStringConverter::Utf16BE),
    };
}

// One mutation of `file`, chosen and placed by the generator.
QByteArray mutate(QByteArray file, QRandomGenerator& random) {
    auto at = [&](qsizetype size) { return qsizetype(random.bounded(int(size) + 1)); };
    static const QList<QByteArray> noise{
        "\"",
        "'",
        ";",
        "=",
        "\"\"",
        "''",
        "\r",
        "\n",
        "\r\n\r\n",
        "[oledb]",
        "\0",
        "\xFF\xFE",
        "\xFE\xFF",
        "\xEF\xBB\xBF",
        "\xC3",
        "\xED\xA0\x80",
        "\xD8\x00",
        ";;=;=",
        "Provider=SQLite",
        "Data Source=\"",
        "Port=99999999999999999999",
    };
    const int rounds = 1 + random.bounded(4);
    for (int round = 0; round < rounds; ++round) {
        switch (random.bounded(8)) {
        case 0: // cut off
            file.truncate(at(file.size()));
            break;
        case 1: // bits flipped
            if (!file.isEmpty())
                file[at(file.size() - 1)] ^= char(1 << random.bounded(8));
            break;
        case 2: { // a piece of noise put in
            QByteArray piece = noise.at(random.bounded(int(noise.size())));
            if (piece.isEmpty())
                piece = QByteArray(1, '\0');
            file.insert(at(file.size()), piece);
            break;
        }
        case 3: // a byte dropped, shifting UTF-16 by one
            if (!file.isEmpty())
                file.remove(at(file.size() - 1), 1);
            break;
        case 4: // random bytes
            for (int i = random.bounded(16); i >= 0; --i)
                file.insert(at(file.size()), char(random.bounded(256)));
            break;
        case 5: // a stretch repeated
            if (!file.isEmpty()) {
                const qsizetype from = at(file.size() - 1);
                file.insert(at(file.size()), file.mid(from, random.bounded(40)));
            }
            break;
        case 6: // the byte-order mark swapped for another
            file = QByteArray(noise.at(11 + random.bounded(3))) + file.mid(2);
            break;
        default: // NUL bytes
            file.insert(at(file.size()), QByteArray(1 + random.bounded(3), '\0'));
            break;
        }
    }
    return file;
}

enum class Outcome { Parsed, Refused };

// Parses and checks what came back; any other exception fails the test.
Outcome parseChecked(const QByteArray& content, const QByteArray& which) {
    DataLink link;
    try {
        link = parseDataLink(content, kBase);
    } catch (const DataLinkError& refused) {
        // Shown to users (a tool, the log): Chinese, and short however long
        // the file.
        const QString text = refused.text();
        const bool chinese = std::any_of(text.begin(), text.end(), [](QChar c) {
            return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF;
        });
        [&] { QVERIFY2(chinese && text.size() <= 200, which + ": " + text.left(300).toUtf8()); }();
        return Outcome::Refused;
    }
    // What a parsed link holds must be usable and read back the same.
    [&] {
        QVERIFY2(!link.dataSource.trimmed().isEmpty(), which);
        if (link.engine == Engine::SQLite) {
            QVERIFY2(QDir::isAbsolutePath(link.dataSource), which);
        } else {
            QVERIFY2(!link.database.trimmed().isEmpty(), which);
            QVERIFY2(link.port > 0 && link.port <= 65535, which);
        }
        const DataLink again = parseDataLink(dataLinkText(link).toUtf8(), QStringLiteral("/x"));
        QVERIFY2(again.engine == link.engine && again.dataSource == link.dataSource &&
                     again.port == link.port && again.database == link.database &&
                     again.user == link.user && again.password == link.password,
                 which);
    }();
    return Outcome::Parsed;
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
}

} // namespace

class TestDataLinkFuzz : public QObject {
    Q_OBJECT

  private slots:
    void mutatedFilesParseOrAreRefused() {
        QRandomGenerator random(20261208);
        const QList<QByteArray> bases = goodFiles();
        int parsed = 0;
        int refused = 0;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 6000; ++i) {
            const QByteArray file = mutate(bases.at(i % bases.size()), random);
            const QByteArray which = "case " + QByteArray::number(i) + ": " + file.toHex();
            (parseChecked(file, which) == Outcome::Parsed ? parsed : refused)++;
            if (QTest::currentTestFailed())
                return;
        }
        // Both sides are exercised, or the mutations are too tame or too wild.
        QVERIFY2(parsed > 300 && refused > 300,
                 qPrintable(QStringLiteral("%1 parsed, %2 refused").arg(parsed).arg(refused)));
        QVERIFY2(clock.elapsed() < 20000, qPrintable(QString::number(clock.elapsed())));
    }

    void hugeAndOddFiles_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("parses");
        const QByteArray mb(1 << 20, 'a');
        QTest::newRow("megabytes of ';', one comment") << QByteArray(4 << 20, ';') << false;
        QTest::newRow("';' after one pair")
            << QByteArray("Provider=SQLite;Data Source=s.db") + QByteArray(4 << 20, ';') << true;
        QTest::newRow("megabytes of '='") << QByteArray(4 << 20, '=') << false;
        QTest::newRow("one huge key") << mb + "=x" << false;
        QTest::newRow("one huge unquoted word") << mb << false;
        QTest::newRow("huge quoted path")
            << QByteArray("Provider=SQLite;Data Source=\"") + mb + "\"" << true;
        QTest::newRow("quote never closed")
            << QByteArray("Provider=SQLite;Data Source=\"") + mb << false;
        QTest::newRow("doubled quotes only")
            << QByteArray("Provider=SQLite;Data Source=\"") + QByteArray(2 << 20, '"') << false;
        QTest::newRow("a million comment lines") << QByteArray(";\n").repeated(1 << 20) << false;
        QTest::newRow("a million empty lines then a link")
            << QByteArray("\r\n").repeated(1 << 20) + "Provider=SQLite;Data Source=s.db" << true;
        QTest::newRow("lone BOM, UTF-16") << QByteArray("\xFF\xFE") << false;
        QTest::newRow("lone BOM, UTF-8") << QByteArray("\xEF\xBB\xBF") << false;
        QTest::newRow("half a BOM") << QByteArray("\xFF") << false;
        QTest::newRow("UTF-16 BOM, UTF-8 text")
            << QByteArray("\xFF\xFEProvider=SQLite;Data Source=s.db") << false;
        QTest::newRow("UTF-8 BOM, UTF-16 text")
            << QByteArray("\xEF\xBB\xBF") +
                   encoded("Provider=SQLite;Data Source=s.db", QStringConverter::Utf16LE)
            << false;
        // The decoder takes a second mark for the file's own.
        QTest::newRow("two BOMs") << QByteArray("\xFF\xFE\xFF\xFE") +
                                         encoded("Provider=SQLite;Data Source=s.db",
                                                 QStringConverter::Utf16LE)
                                  << true;
        QTest::newRow("NUL in the path")
            << QByteArray("Provider=SQLite;Data Source=s\0.db", 33) << false;
        QTest::newRow("lone low surrogate, UTF-16")
            << QByteArray("\xFF\xFE\x00\xDC", 4) +
                   encoded("Provider=SQLite;Data Source=s.db", QStringConverter::Utf16LE)
            << false;
        QTest::newRow("overlong UTF-8")
            << QByteArray("Provider=SQLite;Data Source=\xC0\xAF") << false;
        QTest::newRow("port past int") << QByteArray("Provider=PostgreSQL;Data Source=h;Initial "
                                                     "Catalog=c;Port=99999999999999999999")
                                       << false;
        QTest::newRow("negative port")
            << QByteArray("Provider=PostgreSQL;Data Source=h;Initial Catalog=c;Port=-1") << false;
        QTest::newRow("provider in quotes with blanks")
            << QByteArray("Provider=\" SQLite \";Data Source=s.db") << false;
        QTest::newRow("blank quoted path")
            << QByteArray("Provider=SQLite;Data Source=\"  \"") << false;
    }

    void hugeAndOddFiles() {
        QFETCH(QByteArray, content);
        QFETCH(bool, parses);
        QElapsedTimer clock;
        clock.start();
        const Outcome outcome = parseChecked(content, QTest::currentDataTag());
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(outcome == Outcome::Parsed, parses);
        // Reading is linear: megabytes take well under a second, not minutes
        // (the limit leaves room for a sanitized build on a busy machine).
        QVERIFY2(clock.elapsed() < 20000, qPrintable(QString::number(clock.elapsed())));
    }

    void tillStartUpEndsWithTheConnectionMessage_data() {
        QTest::addColumn<QByteArray>("content");
        QRandomGenerator random(7);
        QByteArray garbage(4096, '\0');
        for (char& byte : garbage)
            byte = char(random.bounded(256));
        QTest::newRow("random bytes") << garbage;
        QTest::newRow("megabytes of ';'")
            << QByteArray("Provider=SQLite;Data Source=store.db;") + QByteArray(4 << 20, ';');
        QTest::newRow("UTF-16 cut in half a character")
            << QByteArray("\xFF\xFE") +
                   encoded("Provider=SQLite;Data Source=store.db", QStringConverter::Utf16LE)
                       .chopped(1);
        QTest::newRow("NUL bytes") << QByteArray("Provider=SQLite\0;Data Source=store.db", 37);
        QTest::newRow("quote never closed") << QByteArray("Provider=SQLite;Data Source=\"store.db");
        QTest::newRow("unknown provider") << QByteArray("Provider=SQLOLEDB.1;Data Source=.");
        // Well formed, but the store it names is not there: the till never
        // makes one.
        QTest::newRow("store missing") << QByteArray("Provider=SQLite;Data Source=\";drop.db\"");
    }

    void tillStartUpEndsWithTheConnectionMessage() {
        QFETCH(QByteArray, content);
        QTemporaryDir folder;
        writeFile(folder.filePath("link.udl"), content);
        formkit::ScriptedResponder responder;
        TillRun run(folder.path(), "till-1");
        run.start();
        QCOMPARE(responder.shown(), QStringList{kConnectionError});
        QVERIFY(run.ended());
        QCOMPARE(run.quit->count(), 1);
        QVERIFY(signOnWindow() == nullptr || !signOnWindow()->isVisible());
        QVERIFY(!QFile::exists(folder.filePath(";drop.db")));
    }

    void tillStartUpWithAFolderForLinkUdl() {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir("link.udl"));
        formkit::ScriptedResponder responder;
        TillRun run(folder.path(), "till-1");
        run.start();
        QCOMPARE(responder.shown(), QStringList{kConnectionError});
        QVERIFY(run.ended());
    }
};

STORE_TEST_MAIN(TestDataLinkFuzz)
#include "unit_datalink_fuzz.moc"
