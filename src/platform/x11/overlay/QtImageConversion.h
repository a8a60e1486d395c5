#pragma once

#include <QImage>
#include <optional>

#include "platform/Image.h"

namespace brindlow {

// A decoded picture as our ARGB pixels, row by row; none for a null image.
std::optional<Image> imageFromQt(const QImage& picture);

}  // namespace brindlow
