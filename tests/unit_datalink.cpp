// The data-link reader on good and bad link.udl files, and where a program
// looks for its link.udl.

#include "storedb/datalink.h"
#include "storedb/errors.h"
#include "support/teststore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>

using namespace storedb;

Q_DECLARE_METATYPE(storedb::Engine)

namespace {

const QString kBase = QStringLiteral("/opt/store/till");

QByteArray utf16le(const QString& text) {
    QStringEncoder encoder(QStringConverter::Utf16LE);
    return QByteArray("\xFF\xFE", 2) + QByteArray(encoder.encode(text));
}

QByteArray utf16be(const QString& text) {
    QStringEncoder encoder(QStringConverter::Utf16BE);
    return QByteArray("\xFE\xFF", 2) + QByteArray(encoder.encode(text));
}

// The error a bad file gives, or a failure when it gives none.
QString parseError(const QByteArray& content) {
    try {
        parseDataLink(content, kBase);
    } catch (const DataLinkError& e) {
        return e.text();
    }
    return QStringLiteral("<accepted>");
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QString workerPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/worker_till");
}

} // namespace

class TestDataLink : public QObject {
    Q_OBJECT

  private slots:
    void goodFiles_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<storedb::Engine>("engine");
        QTest::addColumn<QString>("source");

        // As the Windows data-link editor writes it: UTF-16 LE, BOM, CRLF.
        const QString windows =
            QStringLiteral("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n"
                           "Provider=SQLite;Data Source=store.db\r\n");
        QTest::newRow("utf-16 le with bom")
            << utf16le(windows) << Engine::SQLite << kBase + "/store.db";
        QTest::newRow("utf-16 be with bom")
            << utf16be(windows) << Engine::SQLite << kBase + "/store.db";
        QTest::newRow("utf-8 with bom") << QByteArray("\xEF\xBB\xBF") + windows.toUtf8()
                                        << Engine::SQLite << kBase + "/store.db";
        QTest::newRow("utf-8, LF, no header")
            << QByteArray("Provider=SQLite;Data Source=store.db\n") << Engine::SQLite
            << kBase + "/store.db";
        QTest::newRow("comments, blank lines, odd case")
            << QString("\n; 本店的数据库\n[OLEDB]\n\n  ;another comment  \n"
                       "  provider = sqlite ; DATA SOURCE = 数据/商店.db ;\n\n; trailing\n")
                   .toUtf8()
            << Engine::SQLite << kBase + QString("/数据/商店.db");
        QTest::newRow("relative path upwards")
            << QByteArray("Provider=SQLite;Data Source=../shared/./store.db") << Engine::SQLite
            << QString("/opt/store/shared/store.db");
        QTest::newRow("absolute path")
            << QByteArray("Provider=SQLite;Data Source=/srv/shop/store.db") << Engine::SQLite
            << QString("/srv/shop/store.db");
        QTest::newRow("quoted path with ; and blanks")
            << QByteArray("Provider=SQLite;Data Source=\" my;store.db\"") << Engine::SQLite
            << kBase + "/ my;store.db";
        QTest::newRow("postgresql")
            << utf16le("[oledb]\r\nProvider=PostgreSQL;Data Source=db.shop;Port=5433;"
                       "Initial Catalog=store;User ID=shop;Password=secret\r\n")
            << Engine::PostgreSQL << QString("db.shop");
    }
    void goodFiles() {
        QFETCH(QByteArray, content);
        QFETCH(storedb::Engine, engine);
        QFETCH(QString, source);
        const DataLink link = parseDataLink(content, kBase);
        QCOMPARE(link.engine, engine);
        QCOMPARE(link.dataSource, source);
    }

    void postgresqlFields() {
        DataLink link = parseDataLink(
            "Provider=PostgreSQL; Data Source = /run/pg ; Initial Catalog=店;User ID=收银;"
            "Password='it''s;secret '",
            kBase);
        QCOMPARE(link.dataSource, QString("/run/pg"));
        QCOMPARE(link.port, 5432); // the default when none is given
        QCOMPARE(link.database, QString("店"));
        QCOMPARE(link.user, QString("收银"));
        QCOMPARE(link.password, QString("it's;secret "));

        link =
            parseDataLink("Provider=PostgreSQL;Data Source=h;Port=6000;Initial Catalog=s", kBase);
        QCOMPARE(link.port, 6000);
        QVERIFY(link.user.isEmpty());
        QVERIFY(link.password.isEmpty());
    }

    void badFiles_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("empty file") << QByteArray() << "没有连接描述";
        QTest::newRow("comments only")
            << QByteArray("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n")
            << "没有连接描述";
        QTest::newRow("no provider") << QByteArray("Data Source=store.db") << "Provider";
        QTest::newRow("empty provider")
            << QByteArray("Provider=;Data Source=store.db") << "Provider";
        QTest::newRow("sqlite without file") << QByteArray("Provider=SQLite") << "Data Source";
        QTest::newRow("sqlite with empty file")
            << QByteArray("Provider=SQLite;Data Source= ;") << "Data Source";
        QTest::newRow("postgresql without catalog")
            << QByteArray("Provider=PostgreSQL;Data Source=h;User ID=u") << "Initial Catalog";
        QTest::newRow("postgresql without host")
            << QByteArray("Provider=PostgreSQL;Initial Catalog=s") << "Data Source";
        QTest::newRow("unknown provider")
            << utf16le("[oledb]\r\nProvider=SQLOLEDB.1;Persist Security Info=False;"
                       "User ID=sa;Initial Catalog=tavo;Data Source=.\r\n")
            << "SQLOLEDB.1";
        QTest::newRow("bad port")
            << QByteArray("Provider=PostgreSQL;Data Source=h;Port=54x;Initial Catalog=s") << "54x";
        QTest::newRow("port out of range")
            << QByteArray("Provider=PostgreSQL;Data Source=h;Port=70000;Initial Catalog=s")
            << "70000";
        QTest::newRow("pair without =") << QByteArray("Provider=SQLite;store.db") << "store.db";
        QTest::newRow("name missing before =") << QByteArray("Provider=SQLite;=store.db") << "=";
        QTest::newRow("unclosed quote")
            << QByteArray("Provider=SQLite;Data Source=\"store.db") << "引号";
        QTest::newRow("text after quote")
            << QByteArray("Provider=SQLite;Data Source=\"a\"b") << "引号";
        QTest::newRow("two connection lines")
            << QByteArray("Provider=SQLite;Data Source=a.db\nProvider=SQLite;Data Source=b.db")
            << "一行";
        QTest::newRow("garbage bytes")
            << QByteArray("\x8f\xff\x00\x13\xc3\x28\xa0\xa1Provider", 16) << "有效的文本";
        QTest::newRow("nul bytes in utf-8")
            << QByteArray("Provider=SQLite\0;Data Source=x", 30) << "有效的文本";
        QTest::newRow("utf-16 cut off")
            << utf16le("Provider=SQLite;Data Source=x").chopped(1) << "有效的文本";
        QTest::newRow("utf-16 lone surrogate")
            << QByteArray("\xFF\xFE\x00\xD8P\x00", 6) << "有效的文本";
        QTest::newRow("utf-16 without bom")
            << QByteArray(QStringEncoder(QStringConverter::Utf16LE)
                              .encode(QStringLiteral("Provider=SQLite;Data Source=x")))
            << "有效的文本";
    }
    void badFiles() {
        QFETCH(QByteArray, content);
        QFETCH(QString, mentions);
        const QString error = parseError(content);
        QVERIFY2(error.contains(mentions), qPrintable(error));
    }

    void missingOrUnreadableFile() {
        QTemporaryDir dir;
        const QString missing = dir.filePath("link.udl");
        try {
            readDataLink(missing);
            QFAIL("a missing file was read");
        } catch (const DataLinkError& e) {
            QVERIFY2(e.text().contains(missing), qPrintable(e.text()));
        }
        // A folder where the file should be cannot be read as one.
        QVERIFY(QDir(dir.path()).mkdir("link.udl"));
        QVERIFY_THROWS_EXCEPTION(DataLinkError, readDataLink(missing));
    }

    void fileOnDiskResolvesBesideItself() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("till"));
        const QString path = dir.filePath("till/link.udl");
        writeFile(path, utf16le("[oledb]\r\nProvider=SQLite;Data Source=store.db\r\n"));
        // The working folder plays no part.
        QDir::setCurrent(QDir::tempPath());
        QCOMPARE(readDataLink(path).dataSource, dir.filePath("till/store.db"));
    }

    void writtenTextReadsBack_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << "store";
        QTest::newRow("semicolon") << "a;b";
        QTest::newRow("quotes") << "say \"hi\" it's";
        QTest::newRow("leading quote") << "\"x";
        QTest::newRow("blanks at the ends") << " x ";
        QTest::newRow("percent signs") << "%1%2 100%";
        QTest::newRow("chinese") << "超市数据";
    }
    void writtenTextReadsBack() {
        QFETCH(QString, value);
        DataLink pg;
        pg.engine = Engine::PostgreSQL;
        pg.dataSource = "host" + value;
        pg.port = 6543;
        pg.database = "db" + value;
        pg.user = value;
        pg.password = value;
        const DataLink back = parseDataLink(dataLinkText(pg).toUtf8(), kBase);
        QCOMPARE(back.engine, Engine::PostgreSQL);
        QCOMPARE(back.dataSource, pg.dataSource);
        QCOMPARE(back.port, 6543);
        QCOMPARE(back.database, pg.database);
        QCOMPARE(back.user, pg.user);
        QCOMPARE(back.password, pg.password);

        DataLink lite;
        lite.dataSource = "/srv/" + value + "/store.db";
        QCOMPARE(parseDataLink(dataLinkText(lite).toUtf8(), kBase).dataSource, lite.dataSource);
    }

    void programFolderWhateverTheExecutableIsCalled() {
        QVERIFY2(QFile::exists(workerPath()), "worker_till is built beside the tests");
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("收银 程序"));
        const QString folder = dir.filePath("收银 程序");
        const QString renamed = folder + "/我的收银台.bin";
        QVERIFY(QFile::copy(workerPath(), renamed));
        QVERIFY(QFile::setPermissions(renamed, QFile::permissions(renamed) | QFile::ExeOwner));
        writeFile(folder + "/link.udl",
                  utf16le("[oledb]\r\nProvider=SQLite;Data Source=data/../store.db\r\n"));
        // A link.udl in the working folder must not be the one read.
        QTemporaryDir elsewhere;
        writeFile(elsewhere.filePath("link.udl"), "Provider=SQLite;Data Source=wrong.db");

        QProcess till;
        till.setWorkingDirectory(elsewhere.path());
        till.start(renamed, {"where"});
        QVERIFY(till.waitForFinished(30000));
        const QString out = QString::fromUtf8(till.readAllStandardOutput());
        QVERIFY2(till.exitCode() == 0, qPrintable(out + till.readAllStandardError()));
        QVERIFY2(out.contains("dir " + folder + "/\n"), qPrintable(out));
        QVERIFY2(out.contains("udl " + folder + "/link.udl\n"), qPrintable(out));
        QVERIFY2(out.contains("source " + folder + "/store.db\n"), qPrintable(out));

        // Without a link.udl beside it the program says so and stops.
        QVERIFY(QFile::remove(folder + "/link.udl"));
        till.start(renamed, {"where"});
        QVERIFY(till.waitForFinished(30000));
        QCOMPARE(till.exitCode(), 2);
        const QString error = QString::fromUtf8(till.readAllStandardError());
        QVERIFY2(error.contains(folder + "/link.udl"), qPrintable(error));
    }
};

STORE_TEST_MAIN(TestDataLink)
#include "unit_datalink.moc"
