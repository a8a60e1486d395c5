#pragma once

#include <QColor>

#include "platform/Color.h"

namespace brindlow {

// Our colour as the toolkit's, alpha included.
inline QColor toQColor(const Color& c) {
    return QColor::fromRgbF(float(c.red), float(c.green), float(c.blue), float(c.alpha));
}

}  // namespace brindlow
