#pragma once

#include <QWidget>

class QTimer;

namespace admin {

class AdminSession;

namespace Ui {
class AnalysisProgressWindow;
}

// The short progress window shown before the stock level analysis: its bar
// fills in about a second, then it makes way for the analysis. Closed
// before that, it shows nothing further.
class AnalysisProgressWindow : public QWidget {
    Q_OBJECT
  public:
    explicit AnalysisProgressWindow(AdminSession& session, QWidget* parent = nullptr);
    ~AnalysisProgressWindow() override;

  signals:
    // The bar is full and the window closed: the analysis comes up.
    void completed();

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void advance();

    AdminSession& session_;
    Ui::AnalysisProgressWindow* ui = nullptr;
    QTimer* timer_ = nullptr;
};

} // namespace admin
