#pragma once

// The category list, the goods catalogue and the shop settings row, as the
// back office's configuration window keeps them. Single-row changes are the
// named operations of procedures.h; what needs more than one statement to
// stay consistent lives here, each as one transaction.

#include "storedb/company.h"
#include "storedb/connection.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace storedb {

// The category table in table order (by category number).
struct Category {
    QString hwlbh;
    QString hwlbm;
};
QList<Category> categories(const Db& db);
// The names of categories(), for the category pick lists.
QStringList categoryNames(const Db& db);

bool goodsExists(const Db& db, const QString& hwh);

// The number of the first category (table order) bearing the name; none when
// no category bears it.
std::optional<QString> categoryNumberOf(const Db& db, const QString& hwlbm);
std::optional<QString> categoryNameOf(const Db& db, const QString& hwlbh);
// The category number a goods row is filed under.
std::optional<QString> categoryOfGoods(const Db& db, const QString& hwh);

// Deletes the category together with its goods and their stock rows, all or
// nothing: a failure half-way must not leave goods without a category or
// stock without goods. The movement log keeps its rows.
void deleteCategory(Db& db, const QString& hwlbh);

// Adds goods to the first category bearing the name. When no category bears
// it (an empty or typed pick, or a category deleted meanwhile) nothing is
// written and the result is false. New goods start without stock: a stock
// row left under the same number by goods deleted earlier is removed.
// The number and name must be normalized (columntext.h).
bool addGoodsToCategory(Db& db, const QString& hwlbm, const QString& hwh, const QString& hwm);

// Deletes goods from the catalogue together with their stock row, both or
// neither, so that goods added again under the number start afresh; the
// movement log keeps its rows. False when the catalogue had no such goods
// (a stock row left without them is removed all the same).
bool deleteGoods(Db& db, const QString& hwh);

} // namespace storedb
