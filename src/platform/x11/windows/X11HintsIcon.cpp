#include "platform/x11/windows/X11HintsIcon.h"

#include <xcb/xcb_icccm.h>
#include <xcb/xcb_image.h>

#include <memory>

#include "platform/x11/connection/X11Connection.h"

namespace brindlow {

namespace {

constexpr std::uint32_t kOpaqueBlack = 0xFF000000u;
constexpr std::uint32_t kOpaqueWhite = 0xFFFFFFFFu;
// Icons are small; a larger pixmap is not an icon worth reading.
constexpr int kLargestSide = 1024;

struct ImageDeleter {
    void operator()(xcb_image_t* image) const { xcb_image_destroy(image); }
};
using XcbImage = std::unique_ptr<xcb_image_t, ImageDeleter>;

struct Drawn {
    XcbImage image;
    int width = 0;
    int height = 0;
    int depth = 0;
};

// The pixels of a pixmap: one bit plane of a bitmap, or every plane of a deeper pixmap.
std::optional<Drawn> readPixmap(xcb_connection_t* c, xcb_pixmap_t pixmap) {
    XcbReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, pixmap), nullptr));
    if (!geometry || geometry->width == 0 || geometry->height == 0 ||
        geometry->width > kLargestSide || geometry->height > kLargestSide) {
        return std::nullopt;
    }
    const bool bitmap = geometry->depth == 1;
    XcbImage image(xcb_image_get(c, pixmap, 0, 0, geometry->width, geometry->height,
                                 bitmap ? 1u : ~0u,
                                 bitmap ? XCB_IMAGE_FORMAT_XY_PIXMAP : XCB_IMAGE_FORMAT_Z_PIXMAP));
    if (!image) return std::nullopt;
    return Drawn{std::move(image), geometry->width, geometry->height, geometry->depth};
}

// One pixel as opaque ARGB; none for a depth this does not know.
std::optional<std::uint32_t> colourOf(const Drawn& drawn, int x, int y) {
    const std::uint32_t value =
        xcb_image_get_pixel(drawn.image.get(), std::uint32_t(x), std::uint32_t(y));
    switch (drawn.depth) {
        case 1:
            return value ? kOpaqueBlack : kOpaqueWhite;
        case 16: {
            const std::uint32_t r = (value >> 11) & 0x1F, g = (value >> 5) & 0x3F, b = value & 0x1F;
            return kOpaqueBlack | ((r * 255 / 31) << 16) | ((g * 255 / 63) << 8) | (b * 255 / 31);
        }
        case 24:
        case 32:
            // The true-colour visuals of every current server: 8 bits each, red highest.
            return kOpaqueBlack | (value & 0xFFFFFFu);
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<Image> readHintsIcon(X11Connection& x, xcb_window_t window) {
    xcb_connection_t* c = x.xcb();
    xcb_icccm_wm_hints_t hints{};
    if (!xcb_icccm_get_wm_hints_reply(c, xcb_icccm_get_wm_hints(c, window), &hints, nullptr))
        return std::nullopt;
    if (!(hints.flags & XCB_ICCCM_WM_HINT_ICON_PIXMAP) || hints.icon_pixmap == XCB_NONE)
        return std::nullopt;
    const std::optional<Drawn> pixmap = readPixmap(c, hints.icon_pixmap);
    if (!pixmap) return std::nullopt;
    std::optional<Drawn> mask;
    if ((hints.flags & XCB_ICCCM_WM_HINT_ICON_MASK) && hints.icon_mask != XCB_NONE) {
        mask = readPixmap(c, hints.icon_mask);
        // A mask of another size or depth cannot cut this pixmap: the icon shows whole.
        if (mask &&
            (mask->depth != 1 || mask->width < pixmap->width || mask->height < pixmap->height)) {
            mask.reset();
        }
    }
    Image icon;
    icon.width = pixmap->width;
    icon.height = pixmap->height;
    icon.argb.reserve(std::size_t(icon.width) * std::size_t(icon.height));
    for (int y = 0; y < icon.height; ++y) {
        for (int px = 0; px < icon.width; ++px) {
            const auto colour = colourOf(*pixmap, px, y);
            if (!colour) return std::nullopt;
            const bool shown = !mask || xcb_image_get_pixel(mask->image.get(), std::uint32_t(px),
                                                            std::uint32_t(y)) != 0;
            icon.argb.push_back(shown ? *colour : 0u);
        }
    }
    return icon;
}

}  // namespace brindlow
