#pragma once

#include "dayreportprint.h"

#include <QWidget>
#include <optional>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace admin {

class AdminSession;

// 营业日报 / 日结: a day's figures per till, per clerk and in total, read at
// any time (X) or closing the day for good (Z); either printed on A4 or on
// the 80 mm roll, and a Z printed again as a copy.
class DayReportWindow : public QWidget {
    Q_OBJECT
  public:
    explicit DayReportWindow(AdminSession& session, QWidget* parent = nullptr);

    // What the window shows, as it would be printed now.
    DayReportContent content() const;
    // The report on show as a PDF file; false when there is none or the file
    // cannot be written.
    bool writePdf(const QString& path, DayReportPaper paper) const;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Handlers
    void showX();
    void closeDay();
    void reprintZ();
    void printA4();
    void printRoll();

    void showReport(const storedb::DayFigures& figures,
                    const std::optional<storedb::DayClose>& close, bool copy);
    void clearReport();
    void preview(DayReportPaper paper);

    AdminSession& session_;
    std::optional<storedb::DayFigures> figures_;
    std::optional<storedb::DayClose> close_;
    bool copy_ = false;
    QMap<QString, QString> clerkNames_; // read with the figures
    QDateEdit* day_ = nullptr;
    QPushButton* showX_ = nullptr;
    QPushButton* closeDay_ = nullptr;
    QLineEdit* zNumber_ = nullptr;
    QPushButton* reprintZ_ = nullptr;
    QPushButton* printA4_ = nullptr;
    QPushButton* printRoll_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QLabel* state_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QLabel* movements_ = nullptr;
};

} // namespace admin
