#pragma once

// Pick lists as the tests read and work them.

#include <QComboBox>
#include <QStringList>
#include <QTest>

namespace testsupport {

// The entries' texts, in list order.
inline QStringList pickList(const QComboBox* box) {
    QStringList names;
    for (int i = 0; i < box->count(); ++i)
        names << box->itemText(i);
    return names;
}

// Picks the list's entry as a user does from the keyboard.
inline void choose(QComboBox* box, int index) {
    if (box->currentIndex() == index) // chosen before: off and back again
        QTest::keyClick(box, index > 0 ? Qt::Key_Up : Qt::Key_Down);
    while (box->currentIndex() != index)
        QTest::keyClick(box, box->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
}

} // namespace testsupport
