#include "platform/x11/overlay/X11RootPicture.h"

#include <cmath>
#include <cstdio>

#include "platform/Executor.h"
#include "platform/x11/connection/X11Connection.h"

namespace brindlow {

X11RootPicture::X11RootPicture(X11Connection& connection, Executor& main)
    : connection_(connection), main_(main), alive_(std::make_shared<X11RootPicture*>(this)) {
    const xcb_atom_t primary = connection_.atom("_XROOTPMAP_ID");
    const xcb_atom_t fallback = connection_.atom("ESETROOT_PMAP_ID");
    std::weak_ptr<X11RootPicture*> weak = alive_;
    Executor* mainQueue = &main_;
    listener_ = connection_.addListener([=](const X11Connection::Event& event) {
        if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return;
        const auto& property = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        if (property.atom != primary && property.atom != fallback) return;
        mainQueue->async([weak] {
            auto alive = weak.lock();
            if (!alive) return;
            auto observers = (*alive)->observers_;
            for (auto& [token, handler] : observers) handler();
        });
    });
}

X11RootPicture::~X11RootPicture() {
    connection_.removeListener(listener_);
    alive_.reset();
}

xcb_pixmap_t X11RootPicture::rootPixmap() {
    xcb_connection_t* c = connection_.xcb();
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        XcbReply<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(c,
                                   xcb_get_property(c, 0, connection_.root(),
                                                    connection_.atom(name), XCB_ATOM_PIXMAP, 0, 1),
                                   nullptr));
        if (reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) >= 4) {
            const auto pixmap = *static_cast<xcb_pixmap_t*>(xcb_get_property_value(reply.get()));
            if (pixmap != XCB_PIXMAP_NONE) return pixmap;
        }
    }
    return XCB_PIXMAP_NONE;
}

std::optional<DesktopPictures::Picture> X11RootPicture::picture(const Rect& screenFrame) {
    const xcb_pixmap_t pixmap = rootPixmap();
    if (pixmap == XCB_PIXMAP_NONE) return std::nullopt;
    const int x = int(std::lround(screenFrame.minX())), y = int(std::lround(screenFrame.minY()));
    const int w = int(std::lround(screenFrame.width)), h = int(std::lround(screenFrame.height));
    if (w <= 0 || h <= 0) return std::nullopt;
    char location[96];
    std::snprintf(location, sizeof location, "x11-root-pixmap:0x%x@%d,%d,%dx%d", pixmap, x, y, w,
                  h);
    Picture picture;
    picture.location = location;
    X11Connection* connection = &connection_;
    // The crop of the screen's part of the root pixmap, as opaque pixels.
    picture.decode = [connection, pixmap, x, y, w, h](int) -> std::optional<Image> {
        xcb_connection_t* c = connection->xcb();
        XcbReply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, std::int16_t(x), std::int16_t(y),
                          std::uint16_t(w), std::uint16_t(h), ~0u),
            nullptr));
        if (!reply || reply->depth < 24) return std::nullopt;
        const int length = xcb_get_image_data_length(reply.get());
        if (length < w * h * 4) return std::nullopt;
        const auto* pixels =
            reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(reply.get()));
        Image image;
        image.width = w;
        image.height = h;
        image.argb.resize(std::size_t(w) * std::size_t(h));
        for (std::size_t i = 0; i < image.argb.size(); ++i) {
            image.argb[i] = 0xFF000000u | (pixels[i] & 0x00FFFFFFu);
        }
        return image;
    };
    return picture;
}

ObserverToken X11RootPicture::addChangeObserver(std::function<void()> handler) {
    const ObserverToken token = nextToken_++;
    observers_.emplace(token, std::move(handler));
    return token;
}

void X11RootPicture::removeChangeObserver(ObserverToken token) {
    observers_.erase(token);
}

}  // namespace brindlow
