#include "storedb/datamodule.h"

#include "storedb/datalink.h"
#include "storedb/errors.h"

namespace storedb {

DataModule::DataModule(QString programName) : programName_(std::move(programName)) {}

DataModule::~DataModule() = default;

DataLink DataModule::dataLink() {
    return readDataLink(dataLinkPath());
}

void DataModule::open(StoreCreation creation, const UpgradeRunner& upgrade) {
    db_.reset();
    db_ = openDatabase(dataLink(), programName_, creation, upgrade);
}

void DataModule::adopt(std::unique_ptr<Db> db) {
    db_ = std::move(db);
}

void DataModule::close() {
    db_.reset();
}

Db& DataModule::db() const {
    if (!db_)
        throw DbError(QStringLiteral("数据库没有连接"));
    return *db_;
}

} // namespace storedb
