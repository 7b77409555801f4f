#include "formkit/fonts.h"

#include <QStringList>

namespace formkit {

QFont songFont(int pixelSize) {
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    if (pixelSize > 0)
        font.setPixelSize(pixelSize);
    return font;
}

} // namespace formkit
