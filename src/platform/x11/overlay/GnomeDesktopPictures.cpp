#include "platform/x11/overlay/GnomeDesktopPictures.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QUrl>
#include <vector>

#include "platform/x11/overlay/GnomeBackgroundXML.h"
#include "platform/x11/overlay/QtImageConversion.h"

namespace brindlow {

namespace {

// A local path from a file URI (a bare path passes as it is); empty for anything else.
std::string localPath(const std::string& uri) {
    if (uri.empty()) return {};
    if (uri.front() == '/') return uri;
    const QUrl url(QString::fromStdString(uri));
    return url.isLocalFile() ? url.toLocalFile().toStdString() : std::string();
}

bool isXML(const std::string& path) {
    return path.size() > 4 && path.compare(path.size() - 4, 4, ".xml") == 0;
}

std::optional<GnomeBackground> describe(const std::string& path, Size screen) {
    if (!isXML(path)) return GnomeBackground{{path}, nullptr};
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return parseGnomeBackground(file.readAll().toStdString(), screen);
}

// The image scaled to cover `screen` (no larger than needed), as ARGB pixels.
std::optional<Image> decodeFilling(const std::string& path, const Size& screen) {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (full.isValid() && screen.width > 0 && screen.height > 0) {
        const double scale = std::max(screen.width / full.width(), screen.height / full.height());
        if (scale < 1)
            reader.setScaledSize(QSize(std::max(1, int(full.width() * scale + 0.5)),
                                       std::max(1, int(full.height() * scale + 0.5))));
    }
    return imageFromQt(reader.read());
}

}  // namespace

GnomeDesktopPictures::GnomeDesktopPictures(std::unique_ptr<GnomePictureSettingSource> source,
                                           DesktopPictures* fallback)
    : source_(std::move(source)),
      fallback_(fallback),
      alive_(std::make_shared<GnomeDesktopPictures*>(this)) {
    std::weak_ptr<GnomeDesktopPictures*> weak = alive_;
    if (source_) {
        source_->setChangeHandler([weak] {
            if (auto alive = weak.lock()) (*alive)->changed();
        });
    }
    if (fallback_) {
        fallbackToken_ = fallback_->addChangeObserver([weak] {
            if (auto alive = weak.lock()) (*alive)->changed();
        });
    }
}

GnomeDesktopPictures::~GnomeDesktopPictures() {
    if (source_) source_->setChangeHandler(nullptr);
    if (fallback_) fallback_->removeChangeObserver(fallbackToken_);
}

std::optional<DesktopPictures::Picture> GnomeDesktopPictures::picture(const Rect& screenFrame) {
    const GnomePictureSetting setting = source_ ? source_->read() : GnomePictureSetting{};
    const std::string light = localPath(setting.uri);
    std::optional<GnomeBackground> background =
        light.empty() ? std::nullopt : describe(light, screenFrame.size());
    if (!background) return fallback_ ? fallback_->picture(screenFrame) : std::nullopt;
    // Two plain pictures for the two appearances make a pair; a description decides alone.
    const std::string dark = localPath(setting.darkURI);
    if (!isXML(light) && !isXML(dark)) background = GnomeBackground::appearancePair(light, dark);

    Picture picture;
    const Size screen = screenFrame.size();
    // The files and the size they are decoded for name the picture.
    for (const std::string& file : background->files) picture.location += file + "|";
    picture.location +=
        std::to_string(int(screen.width)) + "x" + std::to_string(int(screen.height));
    picture.imageCount = int(background->files.size());
    picture.metadata = background->metadata;
    picture.decode = [files = background->files, screen](int index) -> std::optional<Image> {
        if (index < 0 || std::size_t(index) >= files.size()) return std::nullopt;
        return decodeFilling(files[std::size_t(index)], screen);
    };
    return picture;
}

ObserverToken GnomeDesktopPictures::addChangeObserver(std::function<void()> handler) {
    observers_.emplace(nextToken_, std::move(handler));
    return nextToken_++;
}

void GnomeDesktopPictures::removeChangeObserver(ObserverToken token) {
    observers_.erase(token);
}

void GnomeDesktopPictures::changed() {
    std::vector<std::function<void()>> handlers;
    for (const auto& [token, handler] : observers_) handlers.push_back(handler);
    for (const auto& handler : handlers) handler();
}

}  // namespace brindlow
