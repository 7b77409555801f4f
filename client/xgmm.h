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

    // A clerk whose password was reset has just typed it at sign-on: the
    // number and that password are given, the clerk types the new one twice.
    // After the change the sign-on goes on; a cancel leaves it undone.
    void forceChangeFor(const QString& shyh, const QString& resetPassword);

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void changePassword();

    TillSession& session_;
    Ui::Txgmmform* ui = nullptr;
    bool forced_ = false;
    bool changed_ = false;
};
