#pragma once

#include <cstddef>
#include <list>
#include <map>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

#include "geometry/Geometry.h"
#include "platform/Image.h"

namespace brindlow {

// The light or dark index of an appearance dictionary ("l" / "d", integers); none otherwise.
std::optional<long long> appearanceIndex(const nlohmann::json* dictionary, bool dark);

// Which image of a picture to show: 0 for fewer than two images; else by the first of the tags
// "apr", "h24", "solar" that holds an object (appearance, time of day with its "ti" entries,
// appearance of the sun-driven picture), clamped to 0 … imageCount − 1. `metadata` maps tag
// names to their decoded objects (null or not an object: no tags).
int desktopImageIndex(int imageCount, const nlohmann::json& metadata, bool dark, int hour,
                      int minute);

// Where the whole picture goes in a cover's own coordinates: scaled to fill the screen (the larger
// of the two ratios), centred on the screen, offset by the cover's frame. None for a picture
// without area.
std::optional<Rect> gapPictureRect(const Size& picture, const Rect& screen, const Rect& slice);

// Decoded pictures by key (location, "#", image index), the least recently used dropped beyond
// the capacity, so a rotating wallpaper does not grow the cache without bound.
class PictureCache {
  public:
    explicit PictureCache(std::size_t capacity) : capacity_(capacity) {}

    std::shared_ptr<const Image> find(const std::string& key);
    void insert(const std::string& key, std::shared_ptr<const Image> image);
    void setCapacity(std::size_t capacity);
    std::size_t size() const { return entries_.size(); }

  private:
    void trim();

    std::size_t capacity_;
    std::list<std::pair<std::string, std::shared_ptr<const Image>>> entries_;  // newest first
    std::map<std::string, decltype(entries_)::iterator> index_;
};

}  // namespace brindlow
