#pragma once

#include <QWidget>
#include <exception>

namespace Ui {
class Tdlform;
}

// The clerk's sign-on window. Its hidden fields hold the till's name (jsj)
// and the name of the clerk on duty (shym) for the whole run.
class Tdlform : public QWidget {
    Q_OBJECT
  public:
    explicit Tdlform(QWidget* parent = nullptr);
    ~Tdlform() override;

    Ui::Tdlform* ui = nullptr;

    // Every show identifies the till and checks that it is registered. A
    // failure of that check is kept for the code that showed the window.
    void rethrowShowFailure();

  public slots:
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void Edit1KeyPress();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormShow();
    void refuseTerminal(const QString& message, const QString& statusText);

    std::exception_ptr showFailure_;
};

extern Tdlform* dlform;
