#include "yyejspas.h"

#include "ui_yyejspas.h"

#include "opening.h"
#include "session.h"

#include "formkit/grid.h"
#include "formkit/toolwindow.h"
#include "storedb/procedures.h"

#include <QSqlQueryModel>

namespace admin {

TyyejsForm::TyyejsForm(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::TyyejsForm), owed_(new QSqlQueryModel(this)) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(498, 335));
    formkit::prepareGrid(ui->DBGrid1);
}

TyyejsForm::~TyyejsForm() {
    delete ui;
}

void TyyejsForm::openOwedShifts() {
    bringUp(*this);
    formkit::showRows(ui->DBGrid1, owed_, storedb::yyejs(session_.db()), {50, 125, 60});
    ui->Edit1->clear();
    ui->Edit2->clear();
    ui->Edit3->clear();
}

} // namespace admin
