#include "data.h"

#include "storedb/datalink.h"
#include "storedb/errors.h"

#include <QSqlQueryModel>

namespace admin {

TDataModule1* DataModule1 = nullptr;

TDataModule1::TDataModule1(QObject* parent)
    : QObject(parent), DataSourceyyejs(new QSqlQueryModel(this)),
      DataSourcersgl(new QSqlQueryModel(this)) {
    DataSourceyyejs->setObjectName(QStringLiteral("DataSourceyyejs"));
    DataSourcersgl->setObjectName(QStringLiteral("DataSourcersgl"));
}

TDataModule1::~TDataModule1() {
    // The data sets go before the connection they run on.
    delete DataSourceyyejs;
    delete DataSourcersgl;
    db_.reset();
    if (DataModule1 == this)
        DataModule1 = nullptr;
}

void TDataModule1::open() {
    DataSourceyyejs->clear();
    DataSourcersgl->clear();
    db_.reset();
    db_ = storedb::openDatabase(storedb::readDataLink(storedb::dataLinkPath()),
                                QStringLiteral("tavo_admin"));
}

void TDataModule1::adopt(std::unique_ptr<storedb::Db> db) {
    DataSourceyyejs->clear();
    DataSourcersgl->clear();
    db_ = std::move(db);
}

void TDataModule1::reopen(QSqlQueryModel* source, QSqlQuery query) {
    source->clear();
    source->setQuery(std::move(query));
}

storedb::Db& TDataModule1::db() {
    if (!db_)
        throw storedb::DbError(QStringLiteral("数据库没有连接"));
    return *db_;
}

} // namespace admin
