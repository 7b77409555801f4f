#include "storeinfo.h"

#include "storedb/numtext.h"
#include "storedb/procedures.h"

#include <QSqlQuery>
#include <QStringList>

namespace storeinfo {

namespace {

qint64 count(const storedb::Db& db, const QString& table) {
    QSqlQuery q =
        db.exec(QStringLiteral("count ") + table, QStringLiteral("select count(*) from ") + table);
    return q.next() ? q.value(0).toLongLong() : 0;
}

// A store at scale has a thousand clerks: the first few stand for the rest.
constexpr int kListed = 20;

QString listText(const QStringList& parts) {
    if (parts.isEmpty())
        return QStringLiteral("none");
    if (parts.size() <= kListed)
        return parts.join(QStringLiteral(", "));
    return parts.mid(0, kListed).join(QStringLiteral(", ")) +
           QStringLiteral(", ... (%1 in all)").arg(parts.size());
}

} // namespace

QString contentsInTheWay(const storedb::Db& db) {
    QStringList found;
    const QList<QPair<QString, QString>> tables{
        {QStringLiteral("hwlbpzb"), QStringLiteral("categories")},
        {QStringLiteral("hwpzb"), QStringLiteral("goods")},
        {QStringLiteral("hwb"), QStringLiteral("stock rows")},
        {QStringLiteral("shyb"), QStringLiteral("clerks")},
        {QStringLiteral("jqb"), QStringLiteral("tills")}};
    for (const auto& [table, what] : tables) {
        if (const qint64 n = count(db, table))
            found << QStringLiteral("%1 %2").arg(n).arg(what);
    }
    return found.join(QStringLiteral(", "));
}

void printSummary(const storedb::Db& db, QTextStream& out) {
    using storedb::numberText;
    QSqlQuery shop = db.exec(QStringLiteral("shop"),
                             QStringLiteral("select company,welcome,sl,accountnum from company"));
    int threshold = 0;
    if (shop.next()) {
        threshold = shop.value(2).toInt();
        out << "Shop:           " << shop.value(0).toString() << " (receipt line \""
            << shop.value(1).toString() << "\")\n"
            << "Low-stock at:   " << threshold << " pieces or fewer\n"
            << "Last bill no.:  " << shop.value(3).toLongLong() << "\n";
    } else {
        out << "Shop:           (no settings row)\n";
    }

    QSqlQuery low = db.exec(
        QStringLiteral("low stock"),
        QStringLiteral("select count(*) from hwb where kcl<=(select sl from company limit 1)"));
    QSqlQuery value =
        db.exec(QStringLiteral("stock value"),
                QStringLiteral("select coalesce(sum(kcl),0),coalesce(sum(kcl*dj),0) from hwb"));
    QSqlQuery moves = db.exec(QStringLiteral("movements"),
                              QStringLiteral("select crk,count(*),coalesce(sum(sl),0) from hwrzb "
                                             "group by crk order by crk desc"));
    out << "Categories:     " << count(db, QStringLiteral("hwlbpzb")) << "\n"
        << "Goods:          " << count(db, QStringLiteral("hwpzb")) << " catalogued, "
        << count(db, QStringLiteral("hwb")) << " stocked";
    if (low.next())
        out << ", " << low.value(0).toLongLong() << " at or below the low-stock level";
    out << "\n";
    if (value.next())
        out << "Stock:          " << value.value(0).toLongLong() << " pieces worth "
            << numberText(storedb::roundFen(value.value(1).toDouble()))
            << " 元 at selling prices\n";
    out << "Movements:      ";
    QStringList parts;
    while (moves.next())
        parts << QStringLiteral("%1 %2 (%3 pieces)")
                     .arg(moves.value(1).toLongLong())
                     .arg(moves.value(0).toString())
                     .arg(moves.value(2).toLongLong());
    out << (parts.isEmpty() ? QStringLiteral("none") : parts.join(QStringLiteral(", "))) << "\n";

    QSqlQuery admins = db.exec(QStringLiteral("administrators"),
                               QStringLiteral("select glyh,glym from glyb order by glyh"));
    parts.clear();
    while (admins.next())
        parts << admins.value(0).toString() + QLatin1Char(' ') + admins.value(1).toString();
    out << "Administrators: " << listText(parts) << "\n";

    QSqlQuery clerks = db.exec(QStringLiteral("clerks"),
                               QStringLiteral("select shyh,shym from shyb order by shyh"));
    parts.clear();
    while (clerks.next())
        parts << clerks.value(0).toString() + QLatin1Char(' ') + clerks.value(1).toString();
    out << "Clerks:         " << listText(parts) << "\n";

    QSqlQuery tills = db.exec(QStringLiteral("tills"),
                              QStringLiteral("select jsj,zt,ye,yye,shyh from jqb order by jsj"));
    out << "Tills:";
    int any = 0;
    while (tills.next()) {
        if (++any > kListed)
            continue;
        out << "\n  " << tills.value(0).toString() << "  " << tills.value(1).toString()
            << "  float " << numberText(tills.value(2).toDouble()) << " 元, turnover "
            << numberText(tills.value(3).toDouble()) << " 元";
        const QString clerk = tills.value(4).toString();
        if (!clerk.isEmpty())
            out << ", clerk " << clerk;
    }
    if (any > kListed)
        out << "\n  ... (" << any << " in all)";
    out << (any ? "\n" : "          none\n");

    QSqlQuery owed =
        db.exec(QStringLiteral("owed"),
                QStringLiteral("select count(*),coalesce(sum(qye+yye-xye),0) from shyrzb "
                               "where bj=:bj and qye+yye-xye>0"),
                {{QStringLiteral("bj"), storedb::kNotHandedIn}});
    QSqlQuery open = db.exec(QStringLiteral("open shifts"),
                             QStringLiteral("select count(*) from shyrzb where zxsj is null"));
    if (open.next() && owed.next())
        out << "Shifts:         " << open.value(0).toLongLong() << " open, "
            << owed.value(0).toLongLong() << " owed ("
            << numberText(storedb::roundFen(owed.value(1).toDouble())) << " 元)\n";
}

} // namespace storeinfo
