#include "formkit/scandetector.h"

#include "formkit/guard.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>

namespace formkit {

namespace {

// When a key was pressed. A window system stamps its events; an event made
// inside the program (a test's key) carries no stamp and is timed as it
// arrives. Times from the two clocks are never compared.
struct Moment {
    qint64 ms = 0;
    bool stamped = false;
};

Moment momentOf(const QKeyEvent& key) {
    if (key.timestamp() != 0)
        return {qint64(key.timestamp()), true};
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return {clock.elapsed(), false};
}

bool isModifier(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
        return true;
    default:
        return false;
    }
}

class ScanDetector : public QObject {
  public:
    ScanDetector(QLineEdit* box, int maxKeyGapMs, std::function<void(const Scan&)> action)
        : QObject(box), box_(box), maxGapMs_(maxKeyGapMs), action_(std::move(action)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusOut)
            burst_.clear();
        if (event->type() != QEvent::KeyPress || maxGapMs_ <= 0)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        // A scanner sends Shift with its capitals; Shift alone is no key of the code.
        if (isModifier(key->key()))
            return QObject::eventFilter(watched, event);
        const Moment now = momentOf(*key);
        const bool chord = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
        const bool closeToLast = !burst_.isEmpty() && now.stamped == last_.stamped &&
                                 now.ms >= last_.ms && now.ms - last_.ms <= maxGapMs_;
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && !chord && closeToLast && burst_.size() >= kShortestScan) {
            const Scan scan{burst_, before_};
            burst_.clear();
            runGuarded(QStringLiteral("%1/scan").arg(watched->objectName()),
                       [&] { action_(scan); });
            return true;
        }
        const QString text = key->text();
        // A held key repeats about as fast as a scanner types, but is a person.
        if (enter || chord || key->isAutoRepeat() || text.isEmpty() ||
            text.front().category() == QChar::Other_Control) {
            burst_.clear();
            return QObject::eventFilter(watched, event);
        }
        if (!closeToLast) {
            before_ = box_->text();
            burst_.clear();
        }
        burst_ += text;
        last_ = now;
        return QObject::eventFilter(watched, event);
    }

  private:
    QLineEdit* box_;
    int maxGapMs_;
    std::function<void(const Scan&)> action_;
    QString burst_;
    QString before_;
    Moment last_;
};

} // namespace

void onScan(QLineEdit* box, int maxKeyGapMs, std::function<void(const Scan&)> action) {
    box->installEventFilter(new ScanDetector(box, maxKeyGapMs, std::move(action)));
}

} // namespace formkit
