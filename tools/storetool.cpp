// storetool: creates a store, loads the demo store, shows what a store holds
// checks that its books add up, resets an administrator's password, backs a store
// up, restores it or moves it to another database, and writes link.udl files.
// See usage() for the commands.

#include "demodata.h"
#include "storegen.h"
#include "storeinfo.h"

#include "storedb/backup.h"
#include "storedb/connection.h"
#include "storedb/datalink.h"
#include "storedb/errors.h"
#include "storedb/integrity.h"
#include "storedb/migrate.h"
#include "storedb/passwordreset.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"
#include "storedb/schema.h"
#include "storedb/terminal.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace {

QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& err() {
    static QTextStream stream(stderr);
    return stream;
}

// A usage mistake: the message and a hint, exit code 2.
struct UsageError {
    QString text;
};

const char* const kUsage = R"(Usage:
  storetool create CONNECTION
      Creates the tables, the settings row and the first administrator
      (number 1, password 1234). Refuses a store that already has its tables.
  storetool demo CONNECTION [--till NAME]
      Creates the store if needed and loads the demo store: six categories,
      40 goods with stock, stock-in movements, clerks 1001-1003 (password =
      number) and this computer registered as a till with a float of 200.
      Refuses a store that already has goods, clerks or tills.
  storetool show CONNECTION
      Prints what a store holds: counts, settings, people and tills.
  storetool check CONNECTION
      Checks that the books add up: stock against the movement log and the
      open sales, takings against the sales, shifts against the tills, bill
      numbers. Prints one line per place that does not add up and exits
      with 1, or prints one line and exits with 0 when everything holds.
  storetool generate CONNECTION [--quick] [--seed N]
      Creates a store at supermarket scale for the benchmarks: 200,000 goods
      in 200 categories, 10,000,000 movements over three years ending
      yesterday, 50 tills, 1,000 clerks and 100,000 closed shifts (--quick:
      a tenth of the goods, movements and shifts). The same seed gives the
      same store. Refuses a store that already has its tables.
  storetool reset-admin CONNECTION NUMBER
      Sets a new one-time password for the administrator NUMBER and prints
      it: for a shop where no administrator can sign on any more. The
      administrator must choose a new password at the next sign-on. The
      reset is recorded as made by storetool.
  storetool backup CONNECTION FILE
      Writes a consistent copy of the store to FILE while tills sell (SQLite:
      the engine's online backup; PostgreSQL: pg_dump's custom format) and
      FILE.info beside it: engine, time, the rows of every table, the copy's
      size and SHA-256. Both are written under other names and renamed when
      complete.
  storetool restore FILE CONNECTION [--force]
      Restores a backup into a new store (a SQLite file that does not exist
      yet, or a database without the store's tables), then checks the books.
      A damaged or truncated backup is refused and the target left as it was.
      --force replaces a store that has data, after backing it up.
  storetool migrate CONNECTION --to TARGET.udl
      Copies the store into the new store TARGET.udl describes (a SQLite
      file that does not exist yet, or a database without the store's
      tables), on either engine: every table, the log's totals and the
      counters. Refused while a till is on duty. Then compares the rows of
      every table and the books check of both and exits with 0 only when
      they agree; otherwise nothing is left at the target.
  storetool udl CONNECTION --out FILE
      Writes a link.udl for the connection (a SQLite path is made absolute).

CONNECTION is one of:
  --udl FILE                      the connection a link.udl describes
  --sqlite FILE                   a SQLite store file
  --pg-host HOST --pg-db NAME [--pg-port PORT] [--pg-user USER] [--pg-password PASSWORD]
                                  a PostgreSQL database (HOST may be a socket folder);
                                  the database itself must exist (createdb)

--till NAME names the till to register instead of this computer's name
(TAVO_TERMINAL_NAME, or the host name).
)";

storedb::DataLink linkFrom(const QCommandLineParser& args) {
    const int given = int(args.isSet(QStringLiteral("udl"))) +
                      int(args.isSet(QStringLiteral("sqlite"))) +
                      int(args.isSet(QStringLiteral("pg-host")));
    if (given != 1)
        throw UsageError{QStringLiteral("give one connection: --udl, --sqlite or --pg-host")};
    if (args.isSet(QStringLiteral("udl")))
        return storedb::readDataLink(args.value(QStringLiteral("udl")));
    storedb::DataLink link;
    if (args.isSet(QStringLiteral("sqlite"))) {
        link.engine = storedb::Engine::SQLite;
        link.dataSource = QFileInfo(args.value(QStringLiteral("sqlite"))).absoluteFilePath();
        return link;
    }
    link.engine = storedb::Engine::PostgreSQL;
    link.dataSource = args.value(QStringLiteral("pg-host"));
    link.database = args.value(QStringLiteral("pg-db"));
    link.user = args.value(QStringLiteral("pg-user"));
    link.password = args.value(QStringLiteral("pg-password"));
    if (link.database.isEmpty())
        throw UsageError{QStringLiteral("--pg-host needs --pg-db")};
    if (args.isSet(QStringLiteral("pg-port"))) {
        bool ok = false;
        link.port = args.value(QStringLiteral("pg-port")).toInt(&ok);
        if (!ok || link.port <= 0 || link.port > 65535)
            throw UsageError{QStringLiteral("--pg-port must be a port number")};
    }
    return link;
}

QString describe(const storedb::DataLink& link) {
    if (link.engine == storedb::Engine::SQLite)
        return QStringLiteral("SQLite store %1").arg(link.dataSource);
    return QStringLiteral("PostgreSQL database %1 on %2:%3")
        .arg(link.database, link.dataSource)
        .arg(link.port);
}

// Connects without creating anything; a SQLite file must exist unless the
// command may create it.
std::unique_ptr<storedb::Db> connect(const storedb::DataLink& link, bool mayCreateFile) {
    if (link.engine == storedb::Engine::SQLite && !mayCreateFile &&
        !QFileInfo::exists(link.dataSource))
        throw storedb::Error(QStringLiteral("there is no store at %1").arg(link.dataSource));
    return storedb::connectDatabase(link, QStringLiteral("storetool"));
}

int create(const storedb::DataLink& link) {
    auto db = connect(link, true);
    if (!storedb::createStoreIfMissing(*db))
        throw storedb::Error(QStringLiteral("%1 already has a store's tables").arg(describe(link)));
    out() << "Created the store in " << describe(link) << ".\n"
          << "First administrator: number " << storedb::kFirstAdministratorNumber << ", password "
          << storedb::kFirstAdministratorPassword << ".\n";
    return 0;
}

int loadDemo(const storedb::DataLink& link, const QString& tillOption) {
    const QString till =
        tillOption.isEmpty() ? storedb::terminalName() : storedb::trimTerminalName(tillOption);
    // Checked before anything is written, so that a bad name leaves no half store.
    storedb::checkSaleTableName(till);
    auto db = connect(link, true);
    const bool created = storedb::createStoreIfMissing(*db);
    const QString inTheWay = storeinfo::contentsInTheWay(*db);
    if (!inTheWay.isEmpty())
        throw storedb::Error(
            QStringLiteral("%1 already holds %2; the demo data goes into a new store only")
                .arg(describe(link), inTheWay));
    const demo::Loaded loaded = demo::loadDemoStore(*db, till, QDate::currentDate());
    out() << (created ? "Created the demo store in " : "Loaded the demo store into ")
          << describe(link) << ":\n"
          << "  " << loaded.categories << " categories, " << loaded.goods << " goods ("
          << loaded.lowStock << " at or below the low-stock level), " << loaded.movements
          << " stock-in movements\n"
          << "  clerks 1001-" << 1000 + loaded.clerks << " (password = number), administrator "
          << storedb::kFirstAdministratorNumber << " (password "
          << storedb::kFirstAdministratorPassword << ")\n"
          << "  till \"" << loaded.till << "\" registered with a float of " << demo::kTillFloat
          << " 元\n";
    return 0;
}

int generate(const storedb::DataLink& link, bool quick, const QString& seedText) {
    bool ok = true;
    const quint64 seed = seedText.isEmpty() ? 1 : seedText.toULongLong(&ok);
    if (!ok)
        throw UsageError{QStringLiteral("--seed must be a whole number")};
    auto db = connect(link, true);
    if (!storedb::createStoreIfMissing(*db))
        throw storedb::Error(QStringLiteral("%1 already has a store's tables").arg(describe(link)));
    const storegen::Scale scale = quick ? storegen::quickScale() : storegen::fullScale();
    QElapsedTimer clock;
    clock.start();
    const storegen::Generated made =
        storegen::generate(*db, scale, seed, QDate::currentDate(), [&](const QString& step) {
            err()
                << QStringLiteral("[%1 s] %2\n").arg(clock.elapsed() / 1000.0, 0, 'f', 1).arg(step);
            err().flush();
        });
    out() << "Generated " << describe(link) << ": " << scale.goods << " goods, " << made.movements
          << " movements, " << made.bills << " bills, " << scale.shifts << " shifts ("
          << made.owedShifts << " owed, clerk " << made.busiestClerk << " the most), in "
          << clock.elapsed() / 1000.0 << " s\n";
    return 0;
}

int show(const storedb::DataLink& link) {
    auto db = connect(link, false);
    if (!storedb::schemaExists(*db))
        throw storedb::Error(
            QStringLiteral("%1 has no store's tables (storetool create)").arg(describe(link)));
    out() << describe(link) << "\n";
    storeinfo::printSummary(*db, out());
    return 0;
}

int check(const storedb::DataLink& link) {
    auto db = connect(link, false);
    if (!storedb::schemaExists(*db))
        throw storedb::Error(
            QStringLiteral("%1 has no store's tables (storetool create)").arg(describe(link)));
    const QStringList findings = storedb::findingTexts(storedb::checkBooks(*db));
    if (findings.isEmpty()) {
        out() << QStringLiteral("账目全部相符 (all holds): ") << describe(link) << "\n";
        return 0;
    }
    for (const QString& line : findings)
        out() << line << "\n";
    out() << QStringLiteral("共 %1 处不符 (%2)").arg(findings.size()).arg(describe(link)) << "\n";
    return 1;
}

int backup(const storedb::DataLink& link, const QString& file) {
    QElapsedTimer clock;
    clock.start();
    const storedb::BackupInfo info = storedb::backupStore(link, file);
    qint64 rows = 0;
    for (const auto& table : info.rows)
        rows += table.second;
    out() << QStringLiteral("备份完成: %1 → %2 (%3 字节, %4 行, %5 秒)")
                 .arg(describe(link), QFileInfo(file).absoluteFilePath())
                 .arg(info.bytes)
                 .arg(rows)
                 .arg(clock.elapsed() / 1000.0, 0, 'f', 1)
          << "\n";
    return 0;
}

int restore(const QString& file, const storedb::DataLink& link, bool force) {
    const storedb::Restored restored = storedb::restoreStore(file, link, force);
    if (!restored.replacedBackup.isEmpty())
        out() << QStringLiteral("原有的数据已备份到 %1").arg(restored.replacedBackup) << "\n";
    out() << QStringLiteral("恢复完成: %1 (备份于 %2) → %3")
                 .arg(QFileInfo(file).absoluteFilePath(),
                      restored.info.made.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                      describe(link))
          << "\n";
    return check(link);
}

int migrate(const storedb::DataLink& source, const storedb::DataLink& target) {
    QElapsedTimer clock;
    clock.start();
    const storedb::Migrated migrated =
        storedb::migrateStore(source, target, [](const QString& step, qint64 done, qint64 total) {
            err() << QStringLiteral("\r%1: %2 / %3").arg(step).arg(done).arg(total)
                  << (done >= total ? "\n" : "");
            err().flush();
        });
    qint64 rows = 0;
    out() << QStringLiteral("%1 %2 %3")
                 .arg(QStringLiteral("表"), -20)
                 .arg(QStringLiteral("原行数"), 12)
                 .arg(QStringLiteral("新行数"), 12)
          << "\n";
    for (const storedb::MigratedTable& table : migrated.tables) {
        rows += table.sourceRows;
        out() << QStringLiteral("%1 %2 %3%4")
                     .arg(table.table, -20)
                     .arg(table.sourceRows, 12)
                     .arg(table.targetRows, 12)
                     .arg(table.sourceRows == table.targetRows ? QString()
                                                               : QStringLiteral("  ← 不一致"))
              << "\n";
    }
    const auto books = [](const QString& side, const QStringList& findings) {
        if (findings.isEmpty())
            out() << QStringLiteral("%1账目全部相符").arg(side) << "\n";
        else
            out() << QStringLiteral("%1账目共 %2 处不符:").arg(side).arg(findings.size()) << "\n  "
                  << findings.join(QStringLiteral("\n  ")) << "\n";
    };
    books(QStringLiteral("原数据库:"), migrated.sourceFindings);
    books(QStringLiteral("新数据库:"), migrated.targetFindings);
    if (!migrated.kept) {
        out() << QStringLiteral("迁移后的数据与原数据库不一致,目标没有改变。") << "\n";
        return 1;
    }
    out() << QStringLiteral("迁移完成: %1 → %2 (%3 行, %4 秒)")
                 .arg(describe(source), describe(target))
                 .arg(rows)
                 .arg(clock.elapsed() / 1000.0, 0, 'f', 1)
          << "\n";
    return 0;
}

int resetAdministrator(const storedb::DataLink& link, const QString& glyh) {
    auto db = connect(link, false);
    if (!storedb::schemaExists(*db))
        throw storedb::Error(
            QStringLiteral("%1 has no store's tables (storetool create)").arg(describe(link)));
    // A store made before resets were recorded gets their tables first.
    if (storedb::upgradeNeeded(*db))
        storedb::addMissingIndexes(*db);
    const std::optional<storedb::AdministratorLogin> administrator = storedb::glydl(*db, glyh);
    const QString password = storedb::oneTimePassword();
    if (!administrator ||
        !storedb::resetPassword(*db, storedb::Person::Administrator, glyh, password,
                                {storedb::kResetByTool, QString()}, QDateTime::currentDateTime()))
        throw storedb::Error(
            QStringLiteral("%1 has no administrator number \"%2\" (storetool show lists them)")
                .arg(describe(link), glyh));
    out() << "Reset the password of administrator " << glyh << " (" << administrator->glym
          << ") in " << describe(link) << ".\n"
          << "One-time password: " << password << "\n"
          << "The administrator must choose a new password at the next sign-on.\n";
    return 0;
}

int writeUdl(const storedb::DataLink& link, const QString& file) {
    if (file.isEmpty())
        throw UsageError{QStringLiteral("udl needs --out FILE")};
    const QFileInfo target(file);
    if (!target.absoluteDir().exists())
        throw storedb::Error(QStringLiteral("there is no folder %1").arg(target.absolutePath()));
    QSaveFile save(target.absoluteFilePath());
    if (!save.open(QIODevice::WriteOnly))
        throw storedb::Error(QStringLiteral("cannot write %1: %2").arg(file, save.errorString()));
    save.write(storedb::dataLinkText(link).toUtf8());
    if (!save.commit())
        throw storedb::Error(QStringLiteral("cannot write %1: %2").arg(file, save.errorString()));
    out() << "Wrote " << target.absoluteFilePath() << " (" << describe(link) << ").\n";
    return 0;
}

int run(QCoreApplication& app) {
    QCommandLineParser args;
    args.setApplicationDescription(QStringLiteral("Creates, fills and inspects store databases."));
    args.addPositionalArgument(QStringLiteral("command"),
                               QStringLiteral("create, demo, show, check, generate, "
                                              "reset-admin, backup, restore, migrate or udl"));
    const QString value = QStringLiteral("value");
    args.addOptions({
        {QStringLiteral("udl"), QStringLiteral("A link.udl describing the connection."),
         QStringLiteral("file")},
        {QStringLiteral("sqlite"), QStringLiteral("A SQLite store file."), QStringLiteral("file")},
        {QStringLiteral("pg-host"), QStringLiteral("PostgreSQL host or socket folder."),
         QStringLiteral("host")},
        {QStringLiteral("pg-port"), QStringLiteral("PostgreSQL port (5432)."),
         QStringLiteral("port")},
        {QStringLiteral("pg-db"), QStringLiteral("PostgreSQL database."), QStringLiteral("name")},
        {QStringLiteral("pg-user"), QStringLiteral("PostgreSQL user."), QStringLiteral("user")},
        {QStringLiteral("pg-password"), QStringLiteral("PostgreSQL password."), value},
        {QStringLiteral("till"), QStringLiteral("demo: the till to register."),
         QStringLiteral("name")},
        {QStringLiteral("out"), QStringLiteral("udl: the file to write."), QStringLiteral("file")},
        {QStringLiteral("quick"), QStringLiteral("generate: the small store.")},
        {QStringLiteral("seed"), QStringLiteral("generate: the seed (1)."), QStringLiteral("n")},
        {QStringLiteral("force"), QStringLiteral("restore: replace a store that has data.")},
        {QStringLiteral("to"), QStringLiteral("migrate: the link file of the new store."),
         QStringLiteral("file")},
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help.")},
    });
    if (!args.parse(app.arguments()))
        throw UsageError{args.errorText()};
    if (args.isSet(QStringLiteral("help"))) {
        out() << kUsage;
        return 0;
    }
    const QStringList positional = args.positionalArguments();
    if (positional.isEmpty())
        throw UsageError{QStringLiteral("no command given")};
    const QString command = positional.first();
    static const QStringList commands{QStringLiteral("create"),      QStringLiteral("demo"),
                                      QStringLiteral("show"),        QStringLiteral("check"),
                                      QStringLiteral("generate"),    QStringLiteral("udl"),
                                      QStringLiteral("reset-admin"), QStringLiteral("backup"),
                                      QStringLiteral("restore"),     QStringLiteral("migrate")};
    if (!commands.contains(command))
        throw UsageError{QStringLiteral("unknown command \"%1\"").arg(command)};
    const bool resetAdmin = command == QLatin1String("reset-admin");
    if (resetAdmin && positional.size() != 2)
        throw UsageError{QStringLiteral("reset-admin needs the administrator's NUMBER")};
    const bool withFile = command == QLatin1String("backup") || command == QLatin1String("restore");
    if (withFile && positional.size() != 2)
        throw UsageError{QStringLiteral("%1 needs the backup FILE").arg(command)};
    if (args.isSet(QStringLiteral("force")) && command != QLatin1String("restore"))
        throw UsageError{QStringLiteral("--force belongs to restore")};
    if (!resetAdmin && !withFile && positional.size() != 1)
        throw UsageError{QStringLiteral("one command at a time")};
    if (args.isSet(QStringLiteral("till")) && command != QLatin1String("demo"))
        throw UsageError{QStringLiteral("--till belongs to demo")};
    if (args.isSet(QStringLiteral("out")) && command != QLatin1String("udl"))
        throw UsageError{QStringLiteral("--out belongs to udl")};
    if (args.isSet(QStringLiteral("to")) != (command == QLatin1String("migrate")))
        throw UsageError{QStringLiteral("migrate needs --to TARGET.udl, and --to belongs to it")};

    const storedb::DataLink link = linkFrom(args);
    if (command == QLatin1String("create"))
        return create(link);
    if (command == QLatin1String("demo"))
        return loadDemo(link, args.value(QStringLiteral("till")));
    if (command == QLatin1String("show"))
        return show(link);
    if (command == QLatin1String("check"))
        return check(link);
    if (resetAdmin)
        return resetAdministrator(link, positional.at(1));
    if (command == QLatin1String("backup"))
        return backup(link, positional.at(1));
    if (command == QLatin1String("restore"))
        return restore(positional.at(1), link, args.isSet(QStringLiteral("force")));
    if (command == QLatin1String("migrate"))
        return migrate(link, storedb::readDataLink(args.value(QStringLiteral("to"))));
    if (command == QLatin1String("generate"))
        return generate(link, args.isSet(QStringLiteral("quick")),
                        args.value(QStringLiteral("seed")));
    return writeUdl(link, args.value(QStringLiteral("out")));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("storetool"));
    try {
        return run(app);
    } catch (const UsageError& e) {
        err() << "storetool: " << e.text << "\n"
              << "Try: storetool --help\n";
        return 2;
    } catch (const storedb::BackupError& e) {
        err() << "storetool: " << e.userText() << "\n  (" << e.text() << ")\n";
        return 1;
    } catch (const storedb::MigrateError& e) {
        err() << "storetool: " << e.userText() << "\n  (" << e.text() << ")\n";
        return 1;
    } catch (const storedb::Error& e) {
        err() << "storetool: " << e.text() << "\n";
        return 1;
    }
}
