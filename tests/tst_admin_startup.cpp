// The back office's start on a link to a store file that is not there: a
// new shop or a wrong link, which only the administrator can tell.

#include "storedb/datalink.h"
#include "support/adminfixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace testsupport;

namespace {

const QString kConnectionError = QStringLiteral("数据库连接错误,请检查！程序将自动关闭！");

// link.udl naming a SQLite file beside the program that does not exist yet.
QString linkToMissingFile(const AdminFixture& office) {
    storedb::DataLink link;
    link.engine = storedb::Engine::SQLite;
    link.dataSource = QStringLiteral("new-store.db");
    QFile file(office.linkPath());
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write link.udl");
    file.write(storedb::dataLinkText(link).toUtf8());
    return QDir::cleanPath(office.store.folder() + QStringLiteral("/new-store.db"));
}

QString question(const QString& path) {
    return QStringLiteral("数据库文件 ") + path +
           QStringLiteral(" 不存在。要建立一个新的商店数据库吗？");
}

} // namespace

class TestAdminStartup : public QObject {
    Q_OBJECT

  private slots:
    // (A store that is there opens without a question: every other test of
    // the back office starts so, and an unanswered question fails it.)

    void declinedNoStoreIsCreatedAndTheProgramEnds() {
        AdminFixture office(AdminFixture::Link::None);
        const QString path = linkToMissingFile(office);
        office.responder.answer(false);
        QCOMPARE(runLoop([&] { office.windows().start(); }), 1);
        QCOMPARE(office.responder.shown(), (QStringList{question(path), kConnectionError}));
        QCOMPARE(office.responder.asked(), QStringList{question(path)});
        QVERIFY(office.session().startupFailed());
        QVERIFY(!office.windows().loginWindow());
        QVERIFY(!QFileInfo::exists(path));
    }

    void acceptedANewStoreIsCreatedWithItsFirstAdministrator() {
        AdminFixture office(AdminFixture::Link::None);
        const QString path = linkToMissingFile(office);
        office.responder.answer(true);
        office.start();
        QCOMPARE(office.responder.shown(), QStringList{question(path)});
        QVERIFY(QFileInfo::exists(path));
        office.responder.clear();
        office.signOn();
        QVERIFY(office.action("goodsMenu")->isEnabled());
    }
};

STORE_TEST_MAIN(TestAdminStartup)
#include "tst_admin_startup.moc"
