#include "storedb/tilllease.h"

#include "storedb/connection.h"
#include "storedb/datalink.h"
#include "storedb/errors.h"
#include "storedb/procedures.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QLoggingCategory>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUuid>

namespace storedb {

namespace {
Q_LOGGING_CATEGORY(lcLease, "orvani.lease")

const QString kJsj = QStringLiteral("jsj");
const QString kToken = QStringLiteral("token");
// The machine a lease taken by the back office names; its computer is the
// administrator who took it.
const QString kBackOffice = QStringLiteral("后台");

// The database's clock in epoch seconds: the one clock every till agrees on.
QString databaseClock(const Db& db) {
    return db.isSQLite() ? QStringLiteral("cast(strftime('%s','now') as integer)")
                         : QStringLiteral("cast(extract(epoch from clock_timestamp()) as bigint)");
}

// This computer as the others will read it: its name, the address the server
// sees it at (a server only), and the process.
QString thisComputer(const Db& db) {
    QString address;
    if (!db.isSQLite()) {
        QSqlQuery q = db.exec(QStringLiteral("lease address"),
                              QStringLiteral("select coalesce(host(inet_client_addr()),'')"));
        if (q.next())
            address = q.value(0).toString();
    }
    const QString process = QStringLiteral("进程 %1").arg(QCoreApplication::applicationPid());
    return QStringLiteral("%1 (%2)").arg(
        QSysInfo::machineHostName(),
        address.isEmpty() ? process : address + QStringLiteral(", ") + process);
}

// Tells this computer from others even where two share a name; a system
// that keeps no such id is known by its name alone.
QString thisMachine() {
    const QByteArray id = QSysInfo::machineUniqueId();
    return id.isEmpty() ? QStringLiteral("host:") + QSysInfo::machineHostName()
                        : QString::fromLatin1(id);
}
} // namespace

QString storeIdentity(const DataLink& link) {
    if (link.engine == Engine::SQLite) {
        const QFileInfo file(link.dataSource);
        return QStringLiteral("sqlite:") +
               (file.exists() ? file.canonicalFilePath() : file.absoluteFilePath());
    }
    return QStringLiteral("postgresql:%1:%2/%3")
        .arg(link.dataSource)
        .arg(link.port)
        .arg(link.database);
}

TillLease::TillLease(const QString& store, const QString& jsj)
    : jsj_(jsj), token_(QUuid::createUuid().toString(QUuid::WithoutBraces)),
      machine_(thisMachine()) {
    const QByteArray key = QCryptographicHash::hash((store + QLatin1Char('\n') + jsj).toUtf8(),
                                                    QCryptographicHash::Sha1)
                               .toHex()
                               .left(20);
    lock_ = std::make_unique<QLockFile>(
        QDir(QDir::tempPath())
            .filePath(QStringLiteral("orvani-till-%1.lock").arg(QString::fromLatin1(key))));
    // Only a dead holder makes the file stale, never its age: a till may run for weeks.
    lock_->setStaleLockTime(0);
}

TillLease::~TillLease() = default;

QString TillLease::holderMessage(const QString& computer) const {
    return QStringLiteral("收款机 %1 正在计算机 %2 上营业,同一收款机不能同时登录两处！"
                          "请先在那里注销并退出,或通知管理员。")
        .arg(jsj_, computer);
}

void TillLease::take(Db& db) {
    const bool locked = lock_->isLocked() || lock_->tryLock(0);
    if (!locked && lock_->error() != QLockFile::LockFailedError)
        // A temp folder that cannot be written must not stop the till: the
        // lease alone then keeps the name, taken over only when it expires.
        qCWarning(lcLease, "till name %s: no lock file %s (error %d)", qPrintable(jsj_),
                  qPrintable(lock_->fileName()), int(lock_->error()));
    else if (!locked) {
        qint64 pid = 0;
        QString host;
        QString program;
        lock_->getLockInfo(&pid, &host, &program);
        throw TillNameHeldError(
            QStringLiteral("till name %1: lock file %2 held by process %3 of %4 on %5")
                .arg(jsj_, lock_->fileName())
                .arg(pid)
                .arg(program, host),
            holderMessage(
                QStringLiteral("%1 (进程 %2)").arg(QSysInfo::machineHostName()).arg(pid)));
    }
    const QString computer = thisComputer(db);
    Transaction transaction(db);
    const Params mine{{kJsj, jsj_},
                      {kToken, token_},
                      {QStringLiteral("machine"), machine_},
                      {QStringLiteral("computer"), computer}};
    QSqlQuery inserted = db.exec(
        QStringLiteral("take lease"),
        QStringLiteral("insert into tilllease(jsj,token,machine,computer,renewed) "
                       "values(:jsj,:token,:machine,:computer,%1) on conflict (jsj) do nothing")
            .arg(databaseClock(db)),
        mine);
    if (inserted.numRowsAffected() != 1) {
        QSqlQuery holder = db.exec(
            QStringLiteral("lease holder"),
            QStringLiteral(
                "select token,machine,computer,%1-renewed from tilllease where jsj=:jsj%2")
                .arg(databaseClock(db), db.isSQLite() ? QString() : QStringLiteral(" for update")),
            {{kJsj, jsj_}});
        if (holder.next() && holder.value(0).toString() != token_) {
            const QString holderMachine = holder.value(1).toString();
            const QString holderComputer = holder.value(2).toString();
            const qint64 age = holder.value(3).toLongLong();
            // The lock file is ours, so a holder on this computer has died.
            const bool sameMachine =
                lock_->isLocked() && !machine_.isEmpty() && holderMachine == machine_;
            if (!sameMachine && age < kExpirySeconds)
                throw TillNameHeldError(
                    QStringLiteral("till name %1 leased by %2, renewed %3 s ago")
                        .arg(jsj_, holderComputer)
                        .arg(age),
                    holderMessage(holderComputer));
            qCInfo(lcLease, "till name %s: taken over from %s (renewed %lld s ago%s)",
                   qPrintable(jsj_), qPrintable(holderComputer), static_cast<long long>(age),
                   sameMachine ? ", its process on this computer is gone" : "");
        }
        db.exec(QStringLiteral("take lease"),
                QStringLiteral("update tilllease set token=:token,machine=:machine,"
                               "computer=:computer,renewed=%1 where jsj=:jsj")
                    .arg(databaseClock(db)),
                mine);
    }
    transaction.commit();
    held_ = true;
}

void TillLease::confirm(const Db& db) const {
    QSqlQuery& renewed = db.execKept(
        QStringLiteral("renew lease"),
        QStringLiteral("update tilllease set renewed=%1 where jsj=:jsj and token=:token")
            .arg(databaseClock(db)),
        {{kJsj, jsj_}, {kToken, token_}});
    const int rows = renewed.numRowsAffected();
    renewed.finish();
    if (rows == 1)
        return;
    QSqlQuery holder = db.exec(
        QStringLiteral("lease holder"),
        QStringLiteral("select machine,computer from tilllease where jsj=:jsj"), {{kJsj, jsj_}});
    const bool found = holder.next();
    const QString computer = found ? holder.value(1).toString() : QStringLiteral("(没有记录)");
    const QString message =
        found && holder.value(0).toString() == kBackOffice
            ? QStringLiteral("收款机 %1 失去联系后,管理员 %2 已在后台结束本班营业:"
                             "未收费的货物已退回库存,营业额已记入售货员的应交款。"
                             "本机已经注销,请重新登录！")
                  .arg(jsj_, computer)
            : QStringLiteral(
                  "收款机 %1 已在计算机 %2 上登录营业,本机的班次已由那里结束,不能再在本机营业！")
                  .arg(jsj_, computer);
    if (lostHandler_)
        lostHandler_(message);
    throw TillLeaseLostError(QStringLiteral("till name %1: lease taken by %2").arg(jsj_, computer),
                             QStringLiteral("本次操作没有保存。") + message);
}

void TillLease::release(Db& db) noexcept {
    try {
        if (held_)
            db.exec(QStringLiteral("release lease"),
                    QStringLiteral("delete from tilllease where jsj=:jsj and token=:token"),
                    {{kJsj, jsj_}, {kToken, token_}});
    } catch (const std::exception& e) {
        // Nothing lost: the lease expires by itself.
        qCWarning(lcLease, "till name %s: lease not given back: %s", qPrintable(jsj_), e.what());
    }
    held_ = false;
    lock_->unlock();
}

QStringList tillsOutOfContact(const Db& db) {
    QSqlQuery q = db.exec(
        QStringLiteral("tills out of contact"),
        QStringList{QStringLiteral("select j.jsj from jqb j left join tilllease l on l.jsj=j.jsj"),
                    QStringLiteral("where j.zt=:zt and (l.jsj is null or %1-l.renewed>=:expiry)")
                        .arg(databaseClock(db)),
                    QStringLiteral("order by j.jsj")},
        {{QStringLiteral("zt"), kTillOnline},
         {QStringLiteral("expiry"), TillLease::kExpirySeconds}});
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

void markTillsOutOfContact(const Db& db, RowSet& rows, int nameColumn, int stateColumn) {
    const QStringList lost = tillsOutOfContact(db);
    if (lost.isEmpty())
        return;
    for (QVariantList& row : rows.rows)
        if (lost.contains(row.value(nameColumn).toString()))
            row[stateColumn] = kTillOutOfContact;
}

void takeOverLostTill(const Db& db, const QString& jsj, const QString& glyh) {
    const Params backOffice{{kJsj, jsj},
                            {kToken, QUuid::createUuid().toString(QUuid::WithoutBraces)},
                            {QStringLiteral("machine"), kBackOffice},
                            {QStringLiteral("computer"), glyh},
                            {QStringLiteral("expiry"), TillLease::kExpirySeconds}};
    // Written expired, so that a till started anew may take the name at once.
    QSqlQuery inserted = db.exec(
        QStringLiteral("take lost lease"),
        QStringLiteral(
            "insert into tilllease(jsj,token,machine,computer,renewed) "
            "values(:jsj,:token,:machine,:computer,%1-:expiry) on conflict (jsj) do nothing")
            .arg(databaseClock(db)),
        backOffice);
    if (inserted.numRowsAffected() == 1)
        return; // no till held the name
    // Locked until the caller's transaction ends: a till renewing meanwhile
    // waits, and then finds the name gone.
    QSqlQuery holder = db.exec(
        QStringLiteral("lost lease holder"),
        QStringLiteral("select %1-renewed,computer from tilllease where jsj=:jsj%2")
            .arg(databaseClock(db), db.isSQLite() ? QString() : QStringLiteral(" for update")),
        {{kJsj, jsj}});
    if (holder.next() && holder.value(0).toLongLong() < TillLease::kExpirySeconds)
        throw TillInContactError(
            QStringLiteral("收款机 %1 在 %2 秒前还与数据库联系过,可能仍在营业,不能在后台结束营业！"
                           "请先到收款机(%3)上注销。")
                .arg(jsj)
                .arg(holder.value(0).toLongLong())
                .arg(holder.value(1).toString()));
    holder.finish();
    db.exec(QStringLiteral("take lost lease"),
            QStringLiteral("update tilllease set token=:token,machine=:machine,computer=:computer,"
                           "renewed=%1-:expiry where jsj=:jsj")
                .arg(databaseClock(db)),
            backOffice);
}

void confirmTillLease(const Db& db, const QString& jsj) {
    const TillLease* lease = db.tillLease();
    if (lease && lease->held() && lease->jsj() == jsj)
        lease->confirm(db);
}

} // namespace storedb
