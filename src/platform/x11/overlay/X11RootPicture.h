#pragma once

#include <xcb/xcb.h>

#include <map>
#include <memory>

#include "platform/DesktopPictures.h"

namespace brindlow {

class Executor;
class X11Connection;

// The desktop picture as X11 desktops publish it: the root pixmap named by _XROOTPMAP_ID (else
// ESETROOT_PMAP_ID), cropped to each screen. A root pixmap is one image: what is drawn is already
// chosen (GNOME's pictures with several images come from GnomeDesktopPictures). Changes of the
// property are reported on `main`.
class X11RootPicture final : public DesktopPictures {
  public:
    X11RootPicture(X11Connection& connection, Executor& main);
    ~X11RootPicture() override;

    std::optional<Picture> picture(const Rect& screenFrame) override;
    ObserverToken addChangeObserver(std::function<void()> handler) override;
    void removeChangeObserver(ObserverToken token) override;

  private:
    xcb_pixmap_t rootPixmap();

    X11Connection& connection_;
    Executor& main_;
    std::uint64_t listener_ = 0;
    std::map<ObserverToken, std::function<void()>> observers_;
    ObserverToken nextToken_ = 1;
    std::shared_ptr<X11RootPicture*> alive_;
};

}  // namespace brindlow
