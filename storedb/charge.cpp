#include "storedb/charge.h"

#include "storedb/errors.h"

namespace storedb {

qint64 chargeSale(Db&, const QString&, const QDate&)
{
    throw DbError(QStringLiteral("chargeSale: not built yet"));
}

} // namespace storedb
