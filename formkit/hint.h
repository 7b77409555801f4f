#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace formkit {

// The application-wide hint: the status tip of the control under the pointer
// or, if it has none, of its nearest parent with one; also the tip of a
// highlighted menu entry. Main windows show it in their left status panel.
class HintWatcher : public QObject {
    Q_OBJECT
  public:
    explicit HintWatcher(QObject* parent = nullptr);
    static QString hintFor(const QWidget* widget);

  signals:
    void hintChanged(const QString& hint);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QString last_;
    void publish(const QString& hint);
};

// The clock text of the main windows and the receipt: the date in the
// locale's short format and the time of day (hours, minutes, seconds) in its
// long format less the time zone.
QString clockText(const class QDateTime& now, const class QLocale& locale);
QString clockText(const class QDateTime& now); // in the programs' locale (Chinese)

} // namespace formkit
