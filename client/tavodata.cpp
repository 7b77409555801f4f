#include "tavodata.h"

#include "storedb/datalink.h"
#include "storedb/errors.h"

TDataModule1* DataModule1 = nullptr;

TDataModule1::TDataModule1(QObject* parent) : QObject(parent) {}

TDataModule1::~TDataModule1() {
    if (DataModule1 == this)
        DataModule1 = nullptr;
}

void TDataModule1::open() {
    db_.reset();
    db_ = storedb::openDatabase(storedb::readDataLink(storedb::dataLinkPath()),
                                QStringLiteral("client"));
}

void TDataModule1::adopt(std::unique_ptr<storedb::Db> db) {
    db_ = std::move(db);
}

storedb::Db& TDataModule1::db() {
    if (!db_)
        throw storedb::DbError(QStringLiteral("数据库没有连接"));
    return *db_;
}
