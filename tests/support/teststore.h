#pragma once

// A fresh, empty store for one test, on the engine the test run names
// (STORE_TEST_ENGINE=sqlite|postgresql). PostgreSQL comes from the server the
// test script started (STORE_PG_HOST, STORE_PG_PORT, STORE_PG_USER); when it is
// asked for and missing, the test fails: it is never skipped.

#include "formkit/application.h"
#include "storedb/connection.h"
#include "storedb/datalink.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

namespace testsupport {

storedb::Engine engineUnderTest();
QString engineLabel();

class TestStore {
  public:
    // Creates the store: schema, settings row and first administrator.
    TestStore();
    ~TestStore();
    TestStore(const TestStore&) = delete;
    TestStore& operator=(const TestStore&) = delete;

    storedb::Db& db() { return *db_; }
    const storedb::DataLink& link() const { return link_; }
    // A folder of its own, e.g. to act as the program directory.
    QString folder() const { return dir_.path(); }
    // Writes link.udl for this store into the folder.
    void writeDataLink(const QString& folder) const;
    // A second connection to the same store (another "program").
    std::unique_ptr<storedb::Db> openAnother(const QString& connectionName) const;
    // Closes the store's own connection (for code that opens its own).
    void closeOwnConnection() { db_.reset(); }

  private:
    QTemporaryDir dir_;
    storedb::DataLink link_;
    std::unique_ptr<storedb::Db> db_;
    QString pgDatabase_;
};

// Where a store could go that has none yet, on the engine under test: a
// SQLite file not created, or an empty server database (dropped again with
// this object). The other engine's, for a move between the two: the test
// run's server is always there.
class EmptyTarget {
  public:
    EmptyTarget() : EmptyTarget(engineUnderTest()) {}
    explicit EmptyTarget(storedb::Engine engine);
    ~EmptyTarget();
    EmptyTarget(const EmptyTarget&) = delete;
    EmptyTarget& operator=(const EmptyTarget&) = delete;
    const storedb::DataLink& link() const { return link_; }

  private:
    QTemporaryDir dir_;
    storedb::DataLink link_;
    QString pgDatabase_;
};

// Sets (or, given no value, unsets) an environment variable for one scope and
// puts the old value back.
class EnvGuard {
  public:
    EnvGuard(const char* name, const std::optional<QByteArray>& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~EnvGuard() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

  private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

// Small insert helpers for arranging test data.
void addCategory(storedb::Db& db, const QString& hwlbh, const QString& hwlbm);
void addGoods(storedb::Db& db, const QString& hwlbh, const QString& hwh, const QString& hwm,
              double dj, int kcl);
void addClerk(storedb::Db& db, const QString& shyh, const QString& shym, const QString& mm);
void addTill(storedb::Db& db, const QString& jsj, double ye);
int stockOf(storedb::Db& db, const QString& hwh);

} // namespace testsupport

// Main of every test: the programs' own application object, so exceptions
// escaping handlers behave as in the programs.
#define STORE_TEST_MAIN(TestClass)                                                                 \
    int main(int argc, char** argv) {                                                              \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                        \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        formkit::Application app(argc, argv);                                                      \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestClass tc;                                                                              \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
