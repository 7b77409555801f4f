#pragma once

#include <QWidget>

namespace Ui {
class Txgmmform;
}

// A clerk changes the own password; opened anew from the sign-on window,
// which comes back when this window closes.
class Txgmmform : public QWidget {
    Q_OBJECT
  public:
    explicit Txgmmform(QWidget* parent = nullptr);
    ~Txgmmform() override;

    Ui::Txgmmform* ui = nullptr;

  public slots:
    void BitBtn1Click();
    void BitBtn2Click();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

extern Txgmmform* xgmmform;
