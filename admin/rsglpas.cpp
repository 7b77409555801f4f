#include "rsglpas.h"

#include "ui_rsglpas.h"

#include "opening.h"
#include "session.h"

#include "formkit/grid.h"
#include "formkit/toolwindow.h"
#include "storedb/backoffice.h"

#include <QSqlQueryModel>

namespace admin {

TrsglForm::TrsglForm(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::TrsglForm), people_(new QSqlQueryModel(this)) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(524, 356));
    formkit::prepareGrid(ui->DBGrid1);
    formkit::prepareGrid(ui->DBGrid2);
    ui->DBGrid1->setModel(people_);
    ui->DBGrid2->setModel(people_);
}

TrsglForm::~TrsglForm() {
    delete ui;
}

void TrsglForm::openAdministrators() {
    bringUp(*this);
    selectPageQuietly(ui->PageControl1, 0);
    formkit::showRows(ui->DBGrid1, people_, storedb::rsglAdministrators(session_.db()), {50, 150});
}

void TrsglForm::openClerks() {
    bringUp(*this);
    selectPageQuietly(ui->PageControl1, 1);
    formkit::showRows(ui->DBGrid2, people_, storedb::rsglClerks(session_.db()), {50, 150});
}

} // namespace admin
