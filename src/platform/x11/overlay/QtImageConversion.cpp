#include "platform/x11/overlay/QtImageConversion.h"

namespace brindlow {

std::optional<Image> imageFromQt(const QImage& picture) {
    const QImage pixels = picture.convertToFormat(QImage::Format_ARGB32);
    if (pixels.isNull() || pixels.width() <= 0 || pixels.height() <= 0) return std::nullopt;
    Image image;
    image.width = pixels.width();
    image.height = pixels.height();
    image.argb.reserve(std::size_t(image.width) * std::size_t(image.height));
    for (int y = 0; y < image.height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        image.argb.insert(image.argb.end(), row, row + image.width);
    }
    return image;
}

}  // namespace brindlow
