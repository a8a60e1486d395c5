#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "geometry/Geometry.h"

namespace brindlow {

// A GNOME background description turned into what the desktop-picture selection understands:
// the image files in index order, and metadata by tag name.
// - A wallpaper list entry with a "filename" and a "filename-dark" is an appearance pair:
//   files light then dark, metadata {"apr": {"l": 0, "d": 1}}.
// - A "background" slideshow of static slides (and transitions between them) that starts at a
//   time of day becomes time-of-day entries: metadata {"h24": {"ti": [{"t", "i"}, ...]}}, one
//   entry per slide start as a fraction of 24 hours, the cycle repeated through the day when it
//   is shorter than one. A transition keeps showing the slide it leaves.
struct GnomeBackground {
    std::vector<std::string> files;
    nlohmann::json metadata;

    // A picture for each appearance, light then dark; just `light` when `dark` is none or the same.
    static GnomeBackground appearancePair(const std::string& light, const std::string& dark);
};

// None for text that is neither form or names no file. A slide that lists the same picture in
// several sizes gives the one nearest `display` (the largest when `display` is empty).
std::optional<GnomeBackground> parseGnomeBackground(const std::string& xml, Size display = {});

}  // namespace brindlow
