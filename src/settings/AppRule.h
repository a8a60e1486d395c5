#pragma once

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

#include "settings/SettingsEnums.h"

namespace brindlow {

// A per-application rule, identified by its bundle identifier (the WM_CLASS
// class on X11).
struct AppRule {
    std::string bundleID;
    std::string name;  // shown in the settings window
    AppBehavior behavior = AppBehavior::tile;
    std::optional<double> defaultWidth;  // width of new columns; none: the settings' defaultWidth

    const std::string& id() const { return bundleID; }

    // Widths compare as both absent or both present and equal (a NaN never is).
    friend bool operator==(const AppRule&, const AppRule&) = default;
};

// {"bundleID", "name", "behavior", "defaultWidth" only when present}.
nlohmann::json toJSON(const AppRule& rule);

// Strict: "bundleID", "name" and "behavior" must be present with the right
// types and a known behaviour text; "defaultWidth" may be missing or null,
// otherwise a number. Throws DecodeError.
void fromJSON(const nlohmann::json& value, AppRule& rule);

}  // namespace brindlow
