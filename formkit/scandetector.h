#pragma once

// A barcode scanner on the keyboard port types its code and Enter faster than
// any person can. A box watched for scans tells such a burst from typing by
// the time between its keys, so that a scan can be taken at once while keys
// typed by hand go on working as they always did.

#include <QString>
#include <functional>

class QLineEdit;

namespace formkit {

struct Scan {
    QString code;       // the characters of the burst, as the scanner sent them
    QString textBefore; // the box's text before the burst's first key
};

// Fewer characters than this are keys a person may well press this fast.
inline constexpr int kShortestScan = 3;

// Watches the box: at least kShortestScan characters, each key and the Enter
// after them within maxKeyGapMs of the key before, are a scan. Its Enter is
// consumed and the action runs (guarded) instead. A maxKeyGapMs of 0 takes
// nothing for a scan. Install it after the box's other filters: the last
// installed sees a key first, so a numeric box's filter does not drop a
// scanned letter before the burst has counted it.
void onScan(QLineEdit* box, int maxKeyGapMs, std::function<void(const Scan&)> action);

} // namespace formkit
