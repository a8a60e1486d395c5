#include "platform/x11/overlay/SurfaceShadow.h"

#include <algorithm>
#include <vector>

namespace brindlow::SurfaceShadow {

namespace {

// One pass of a box blur along rows (`stride` 1) or columns (`stride` = width), in place.
void boxBlur(std::vector<float>& values, int width, int height, bool rows) {
    const int lines = rows ? height : width;
    const int length = rows ? width : height;
    const int step = rows ? 1 : width;
    std::vector<float> line(std::size_t(length), 0.0f);
    const float scale = 1.0f / float(2 * kBlurRadius + 1);
    for (int l = 0; l < lines; ++l) {
        const int start = rows ? l * width : l;
        for (int i = 0; i < length; ++i)
            line[std::size_t(i)] = values[std::size_t(start + i * step)];
        float sum = 0;
        for (int i = -kBlurRadius; i <= kBlurRadius; ++i)
            if (i >= 0 && i < length) sum += line[std::size_t(i)];
        for (int i = 0; i < length; ++i) {
            values[std::size_t(start + i * step)] = sum * scale;
            const int leaving = i - kBlurRadius;
            const int entering = i + kBlurRadius + 1;
            if (leaving >= 0) sum -= line[std::size_t(leaving)];
            if (entering < length) sum += line[std::size_t(entering)];
        }
    }
}

}  // namespace

QImage render(const QImage& content) {
    const QImage source = content.convertToFormat(QImage::Format_ARGB32);
    const int width = source.width() + 2 * kMargin;
    const int height = source.height() + 2 * kMargin;
    std::vector<float> alpha(std::size_t(width) * std::size_t(height), 0.0f);
    for (int y = 0; y < source.height(); ++y) {
        const int ty = y + kMargin + kOffsetY;
        if (ty >= height) break;
        const auto* row = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < source.width(); ++x)
            alpha[std::size_t(ty * width + x + kMargin)] = float(qAlpha(row[x])) / 255.0f;
    }
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(alpha, width, height, true);
        boxBlur(alpha, width, height, false);
    }
    QImage shadow(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        const int sy = y - kMargin;
        const auto* over = sy >= 0 && sy < source.height()
                               ? reinterpret_cast<const QRgb*>(source.constScanLine(sy))
                               : nullptr;
        for (int x = 0; x < width; ++x) {
            const int sx = x - kMargin;
            const float covered =
                over && sx >= 0 && sx < source.width() ? float(qAlpha(over[sx])) / 255.0f : 0.0f;
            const float a = std::clamp(alpha[std::size_t(y * width + x)], 0.0f, 1.0f) *
                            float(kPeakAlpha) * (1.0f - covered);
            row[x] = qRgba(0, 0, 0, int(a * 255.0f + 0.5f));
        }
    }
    return shadow;
}

}  // namespace brindlow::SurfaceShadow
