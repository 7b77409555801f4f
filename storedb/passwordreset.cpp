#include "storedb/passwordreset.h"

#include "storedb/columntext.h"
#include "storedb/datetime.h"

#include <QRandomGenerator>

namespace storedb {

namespace {
const QString kKind = QStringLiteral("kind");
const QString kNumber = QStringLiteral("number");
const QString kMm = QStringLiteral("mm");

// The person's table as the statements name it: glyb(glyh) or shyb(shyh).
// Two fixed texts, never typed ones.
struct PersonTable {
    QString table;
    QString key;
};
PersonTable tableOf(Person person) {
    if (person == Person::Administrator)
        return {QStringLiteral("glyb"), QStringLiteral("glyh")};
    return {QStringLiteral("shyb"), QStringLiteral("shyh")};
}

Params personParams(Person person, const QString& number) {
    return {{kKind, personKind(person)}, {kNumber, number}};
}

// The stored password; nullopt when there is no such person, a null
// QVariant inside when the row has none.
std::optional<QVariant> storedPassword(const Db& db, Person person, const QString& number) {
    const PersonTable t = tableOf(person);
    QSqlQuery q = db.exec(QStringLiteral("stored password"),
                          QStringLiteral("select mm from %1 where %2=:number").arg(t.table, t.key),
                          {{kNumber, number}});
    if (!q.next())
        return std::nullopt;
    return q.value(0);
}
} // namespace

QString personKind(Person person) {
    return person == Person::Administrator ? QStringLiteral("管理员") : QStringLiteral("售货员");
}

bool resetPassword(Db& db, Person person, const QString& number, const QString& mm,
                   const Resetter& by, const QDateTime& when) {
    checkText(QStringLiteral("密码"), mm);
    const PersonTable t = tableOf(person);
    Transaction transaction(db);
    QSqlQuery set =
        db.exec(QStringLiteral("reset password"),
                QStringLiteral("update %1 set mm=:mm where %2=:number").arg(t.table, t.key),
                {{kMm, mm}, {kNumber, number}});
    if (set.numRowsAffected() <= 0)
        return false;
    db.exec(QStringLiteral("password change due"),
            QStringLiteral("insert into passwordchangedue(kind,number) values(:kind,:number) "
                           "on conflict do nothing"),
            personParams(person, number));
    db.exec(QStringLiteral("record password reset"),
            QStringLiteral("insert into passwordreset(reset,program,glyh,kind,number) "
                           "values(:reset,:program,:glyh,:kind,:number)"),
            Params{{QStringLiteral("reset"), dateTimeParam(when)},
                   {QStringLiteral("program"), by.program},
                   {QStringLiteral("glyh"),
                    by.glyh.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : by.glyh}} +
                personParams(person, number));
    transaction.commit();
    return true;
}

bool passwordChangeDue(const Db& db, Person person, const QString& number) {
    QSqlQuery q = db.exec(QStringLiteral("password change due?"),
                          QStringLiteral("select count(*) from passwordchangedue "
                                         "where kind=:kind and number=:number"),
                          personParams(person, number));
    return q.next() && q.value(0).toInt() > 0;
}

PasswordChange changeOwnPassword(Db& db, Person person, const QString& number,
                                 const QString& oldPassword, const QString& newPassword) {
    checkText(QStringLiteral("密码"), newPassword);
    const PersonTable t = tableOf(person);
    Transaction transaction(db);
    const std::optional<QVariant> stored = storedPassword(db, person, number);
    if (!stored)
        return PasswordChange::Missing;
    if (stored->isNull() || stored->toString() != oldPassword)
        return PasswordChange::WrongPassword;
    if (newPassword == oldPassword && passwordChangeDue(db, person, number))
        return PasswordChange::Unchanged;
    // Only over the password proven: a reset that got in since the look
    // (another server connection) leaves this change with nothing to set.
    QSqlQuery set = db.exec(
        QStringLiteral("change own password"),
        QStringLiteral("update %1 set mm=:mm where %2=:number and mm=:old").arg(t.table, t.key),
        {{kMm, newPassword}, {kNumber, number}, {QStringLiteral("old"), oldPassword}});
    if (set.numRowsAffected() <= 0)
        return PasswordChange::WrongPassword;
    forgetDueChange(db, person, number);
    transaction.commit();
    return PasswordChange::Changed;
}

void forgetDueChange(const Db& db, Person person, const QString& number) {
    db.exec(QStringLiteral("password change done"),
            QStringLiteral("delete from passwordchangedue where kind=:kind and number=:number"),
            personParams(person, number));
}

QString oneTimePassword() {
    static const QString kLetters = QStringLiteral("23456789abcdefghjkmnpqrstuvwxyz");
    QRandomGenerator* random = QRandomGenerator::system();
    QString text;
    for (int i = 0; i < 8; ++i) {
        if (i == 4)
            text += QLatin1Char('-');
        text += kLetters.at(int(random->bounded(quint32(kLetters.size()))));
    }
    return text;
}

} // namespace storedb
