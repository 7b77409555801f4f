#pragma once

#include <QFont>

namespace formkit {

// 宋体 (SimSun) as the programs ask for it, falling back to the CJK serif
// and sans faces on computers without it. A size of 0 keeps the default.
QFont songFont(int pixelSize = 0);

} // namespace formkit
