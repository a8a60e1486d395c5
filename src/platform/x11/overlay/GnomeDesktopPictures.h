#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/DesktopPictures.h"

namespace brindlow {

// GNOME's desktop-picture setting: picture-uri and picture-uri-dark.
struct GnomePictureSetting {
    std::string uri;
    std::string darkURI;
    friend bool operator==(const GnomePictureSetting&, const GnomePictureSetting&) = default;
};

// Where the setting is read from, and who hears of its changes (on the main thread).
class GnomePictureSettingSource {
  public:
    virtual ~GnomePictureSettingSource() = default;
    virtual GnomePictureSetting read() = 0;
    virtual void setChangeHandler(std::function<void()> handler) = 0;
};

// org.gnome.desktop.background through GIO, when this is a GNOME session (XDG_CURRENT_DESKTOP
// names GNOME) and the schema is installed; none otherwise.
std::unique_ptr<GnomePictureSettingSource> openGnomePictureSetting();

// The desktop picture of a GNOME session: the file its setting names, a light/dark pair when
// the dark picture differs, or the pair or timed slideshow a GNOME background XML describes,
// offered as the dynamic-picture metadata the selection reads. Images are decoded scaled to fill
// the screen. Without a usable setting the fallback (the root pixmap) answers. Main thread.
class GnomeDesktopPictures final : public DesktopPictures {
  public:
    GnomeDesktopPictures(std::unique_ptr<GnomePictureSettingSource> source,
                         DesktopPictures* fallback);
    ~GnomeDesktopPictures() override;

    std::optional<Picture> picture(const Rect& screenFrame) override;
    ObserverToken addChangeObserver(std::function<void()> handler) override;
    void removeChangeObserver(ObserverToken token) override;

  private:
    void changed();

    std::unique_ptr<GnomePictureSettingSource> source_;
    DesktopPictures* fallback_;
    ObserverToken fallbackToken_ = 0;
    std::map<ObserverToken, std::function<void()>> observers_;
    ObserverToken nextToken_ = 1;
    std::shared_ptr<GnomeDesktopPictures*> alive_;
};

}  // namespace brindlow
