#pragma once

#include <QWidget>

class QTimer;

namespace admin {

class AdminSession;

namespace Ui {
class Tfxform;
}

// The short progress window shown before the stock level analysis: its bar
// fills in about a second, then it makes way for the analysis. Closed
// before that, it shows nothing further.
class Tfxform : public QWidget {
    Q_OBJECT
  public:
    explicit Tfxform(AdminSession& session, QWidget* parent = nullptr);
    ~Tfxform() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void advance();

    AdminSession& session_;
    Ui::Tfxform* ui = nullptr;
    QTimer* timer_ = nullptr; // Timer1
};

} // namespace admin
