#pragma once

#include <QWidget>

class TillSession;
namespace Ui {
class Txgmmform;
}

// A clerk changes the own password; opened anew from the sign-on window,
// which comes back when this window closes.
class Txgmmform : public QWidget {
    Q_OBJECT
  public:
    explicit Txgmmform(TillSession& session, QWidget* parent = nullptr);
    ~Txgmmform() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void changePassword();

    TillSession& session_;
    Ui::Txgmmform* ui = nullptr;
};
