#pragma once

#include <QWidget>

namespace storedb {
class Db;
}

// The hidden holder of the receipt: created at program start, never shown.
class Tdyform : public QWidget {
    Q_OBJECT
public:
    explicit Tdyform(QWidget* parent = nullptr);
};

extern Tdyform* dyform;
