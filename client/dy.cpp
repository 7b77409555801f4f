#include "dy.h"

Tdyform* dyform = nullptr;

Tdyform::Tdyform(QWidget* parent) : QWidget(parent) {}
