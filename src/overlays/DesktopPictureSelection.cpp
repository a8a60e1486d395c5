#include "overlays/DesktopPictureSelection.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <vector>

namespace brindlow {

namespace {

const nlohmann::json* objectAt(const nlohmann::json& parent, const char* key) {
    if (!parent.is_object()) return nullptr;
    auto found = parent.find(key);
    return found != parent.end() && found->is_object() ? &*found : nullptr;
}

}  // namespace

std::optional<long long> appearanceIndex(const nlohmann::json* dictionary, bool dark) {
    if (!dictionary || !dictionary->is_object()) return std::nullopt;
    auto found = dictionary->find(dark ? "d" : "l");
    if (found == dictionary->end() || !found->is_number_integer()) return std::nullopt;
    return found->get<long long>();
}

int desktopImageIndex(int imageCount, const nlohmann::json& metadata, bool dark, int hour,
                      int minute) {
    if (imageCount < 2) return 0;
    long long index = 0;
    if (const nlohmann::json* apr = objectAt(metadata, "apr")) {
        index = appearanceIndex(apr, dark).value_or(0);
    } else if (const nlohmann::json* h24 = objectAt(metadata, "h24")) {
        const double f = double(hour * 60 + minute) / 1440.0;
        std::vector<std::pair<double, long long>> entries;
        if (auto ti = h24->find("ti"); ti != h24->end() && ti->is_array()) {
            for (const nlohmann::json& entry : *ti) {
                if (!entry.is_object()) continue;
                auto t = entry.find("t");
                auto i = entry.find("i");
                if (t == entry.end() || !t->is_number() || i == entry.end() ||
                    !i->is_number_integer()) {
                    continue;
                }
                entries.emplace_back(t->get<double>(), i->get<long long>());
            }
        }
        std::stable_sort(entries.begin(), entries.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        if (entries.empty()) {
            index = appearanceIndex(objectAt(*h24, "ap"), dark).value_or(0);
        } else {
            // Before the earliest entry the latest one of the previous day still shows.
            index = entries.back().second;
            for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
                if (it->first <= f) {
                    index = it->second;
                    break;
                }
            }
        }
    } else if (const nlohmann::json* solar = objectAt(metadata, "solar")) {
        index = appearanceIndex(objectAt(*solar, "ap"), dark).value_or(0);
    }
    return int(std::clamp<long long>(index, 0, imageCount - 1));
}

std::optional<Rect> gapPictureRect(const Size& picture, const Rect& screen, const Rect& slice) {
    if (!(picture.width > 0) || !(picture.height > 0)) return std::nullopt;
    const double scale = std::max(screen.width / picture.width, screen.height / picture.height);
    const double dw = picture.width * scale;
    const double dh = picture.height * scale;
    return Rect(screen.midX() - dw / 2 - slice.minX(), screen.midY() - dh / 2 - slice.minY(), dw,
                dh);
}

std::shared_ptr<const Image> PictureCache::find(const std::string& key) {
    auto found = index_.find(key);
    if (found == index_.end()) return nullptr;
    entries_.splice(entries_.begin(), entries_, found->second);
    return found->second->second;
}

void PictureCache::insert(const std::string& key, std::shared_ptr<const Image> image) {
    if (auto found = index_.find(key); found != index_.end()) {
        entries_.erase(found->second);
        index_.erase(found);
    }
    entries_.emplace_front(key, std::move(image));
    index_[key] = entries_.begin();
    trim();
}

void PictureCache::setCapacity(std::size_t capacity) {
    capacity_ = capacity;
    trim();
}

void PictureCache::trim() {
    while (entries_.size() > capacity_) {
        index_.erase(entries_.back().first);
        entries_.pop_back();
    }
}

}  // namespace brindlow
