#include "app/UpdaterController.h"

#ifndef BRINDLOW_VERSION
#define BRINDLOW_VERSION ""
#endif
#ifndef BRINDLOW_BUILD
#define BRINDLOW_BUILD ""
#endif
#ifndef BRINDLOW_COPYRIGHT
#define BRINDLOW_COPYRIGHT ""
#endif

namespace brindlow {

std::optional<std::string> bundleInfoValue(std::string_view key) {
    const auto nonEmpty = [](std::string_view text) -> std::optional<std::string> {
        if (text.empty()) return std::nullopt;
        return std::string(text);
    };
    if (key == "CFBundleShortVersionString") return nonEmpty(BRINDLOW_VERSION);
    if (key == "CFBundleVersion") return nonEmpty(BRINDLOW_BUILD);
    // Set by whoever packages the build; the About page shows no notice row without one.
    if (key == "NSHumanReadableCopyright") return nonEmpty(BRINDLOW_COPYRIGHT);
    return std::nullopt;
}

bool UpdaterController::feedConfigured(const InfoLookup& info) {
    if (!info) return false;
    const auto present = [&info](std::string_view key) {
        const std::optional<std::string> value = info(key);
        return value && !value->empty();
    };
    return present("SUFeedURL") && present("SUPublicEDKey");
}

UpdaterController::UpdaterController(const InfoLookup& info, Engine checkEngine) {
    if (feedConfigured(info)) engine_ = std::move(checkEngine);
}

void UpdaterController::checkForUpdates() const {
    if (engine_) engine_();
}

}  // namespace brindlow
