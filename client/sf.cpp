#include "sf.h"

#include "storedb/connection.h"

Tsfform::Tsfform(storedb::Db&, const QString&, const QString&, QWidget* parent) : QWidget(parent) {}

Tsfform::~Tsfform() = default;
