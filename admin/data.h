#pragma once

#include "storedb/connection.h"

#include <QObject>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QString>
#include <memory>

// The back office's windows live in namespace admin: the till has classes of
// the same names (TDataModule1, Tdyform, Thelpform), and tests link both.
namespace admin {

// The back office's data module: the one connection of the program.
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

    // The administrator signed on for this run, exactly as typed; written as
    // glyh into the movements recorded here. Empty until a sign-on succeeds.
    const QString& signedOnAdministrator() const { return glyh_; }
    void setSignedOnAdministrator(const QString& glyh) { glyh_ = glyh; }

    // Shared data sources that several grids show: whatever ran last is what
    // every grid bound to them holds.
    QSqlQueryModel* DataSourceyyejs = nullptr; // owed shifts (yyejs)
    QSqlQueryModel* DataSourcersgl = nullptr;  // the personnel list (ADOQueryrsgl)

    // Closes the data set and reopens it on the given rows.
    static void reopen(QSqlQueryModel* source, QSqlQuery query);

  private:
    std::unique_ptr<storedb::Db> db_;
    QString glyh_;
};

extern TDataModule1* DataModule1;

} // namespace admin
