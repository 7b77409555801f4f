#pragma once

// A program's data module: its one connection, opened from link.udl beside
// the executable and held for the whole run. Both programs use this class;
// the named queries themselves are storedb functions.

#include "storedb/connection.h"

#include <memory>

namespace storedb {

class DataModule {
  public:
    explicit DataModule(QString programName);
    ~DataModule();
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;

    // Opens the connection link.udl beside the executable describes.
    // Throws DataLinkError or DbError.
    void open(StoreCreation creation, const UpgradeRunner& upgrade = {});
    // The link.udl beside the executable (throws DataLinkError).
    static DataLink dataLink();
    // Use a connection opened elsewhere (tests, tools).
    void adopt(std::unique_ptr<Db> db);
    void close();

    bool isOpen() const { return bool(db_); }
    // Throws DbError when not open.
    Db& db() const;

  private:
    QString programName_;
    std::unique_ptr<Db> db_;
};

} // namespace storedb
