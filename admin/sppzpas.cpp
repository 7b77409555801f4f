#include "sppzpas.h"

TsppzForm* sppzForm = nullptr;

TsppzForm::TsppzForm(QWidget* parent) : QWidget(parent) {}
TsppzForm::~TsppzForm() = default;
void TsppzForm::prepareCategoryPage() { show(); }
void TsppzForm::prepareGoodsPage() { show(); }
void TsppzForm::prepareSettingsPage() { show(); }
