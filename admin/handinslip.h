#pragma once

// The hand-in slip (交款单): what a clerk handed in at a settlement, signed
// by both. Laid out from the settlement as recorded, so that the paper says
// what the books say.

#include "formkit/report.h"
#include "storedb/settlement.h"

#include <QDateTime>
#include <QString>
#include <optional>

class QWidget;

namespace admin {

struct HandInSlip {
    QString company;
    storedb::SettlementRecord settlement;
    QString shym; // the clerk's name
    QString glym; // the administrator's name
};

// The slip of a recorded settlement; none for an unknown id.
std::optional<HandInSlip> readHandInSlip(const storedb::Db& db, qint64 id);

formkit::Report handInSlipReport(const HandInSlip& slip);

// Writes a copy to the folder TAVO_RECEIPT_PDF names, when it names one, then
// shows the slip in the print preview (printing goes to the default
// printer); returns once that is closed.
void printHandInSlip(const HandInSlip& slip, QWidget* parent = nullptr);

} // namespace admin
