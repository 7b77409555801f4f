#pragma once

#include <QWidget>
#include <optional>

class QSqlQueryModel;

namespace admin {

class AdminSession;

namespace Ui {
class Tfx1form;
}

// The stock level analysis: the goods at or below the shop's alarm level,
// lowest stock first, read afresh whenever the window is shown; and their
// printed report.
class Tfx1form : public QWidget {
    Q_OBJECT
  public:
    explicit Tfx1form(AdminSession& session, QWidget* parent = nullptr);
    ~Tfx1form() override;

    // The alarm level read at the last show; none when the store has none.
    std::optional<int> alarmLevel() const { return level_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Handlers
    void readList();
    void previewReport();

    AdminSession& session_;
    Ui::Tfx1form* ui = nullptr;
    QSqlQueryModel* model_ = nullptr; // DataSource1
    std::optional<int> level_;
};

} // namespace admin
