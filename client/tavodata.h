#pragma once

#include "storedb/connection.h"

#include <QObject>
#include <memory>

// The till's data module: the one connection of the program.
class TDataModule1 : public QObject {
    Q_OBJECT
  public:
    explicit TDataModule1(QObject* parent = nullptr);
    ~TDataModule1() override;

    // Opens the connection that link.udl beside the executable describes.
    // Throws storedb::Error on any failure.
    void open();
    // For tests: use a connection opened elsewhere.
    void adopt(std::unique_ptr<storedb::Db> db);

    storedb::Db& db();
    bool isOpen() const { return bool(db_); }

  private:
    std::unique_ptr<storedb::Db> db_;
};

extern TDataModule1* DataModule1;
