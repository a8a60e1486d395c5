#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace brindlow {

// A key of the application's build information ("CFBundleShortVersionString",
// "CFBundleVersion"); none for keys it does not carry.
std::optional<std::string> bundleInfoValue(std::string_view key);

// Decides once, at construction, whether the application has an updater: only
// when its build information names an update feed and a public signing key,
// and an update engine exists. Linux packages update through the distribution,
// so the application's own build carries no feed and "Check for Updates…" is
// never offered. Main thread.
class UpdaterController {
  public:
    using InfoLookup = std::function<std::optional<std::string>(std::string_view key)>;
    using Engine = std::function<void()>;

    explicit UpdaterController(const InfoLookup& info = bundleInfoValue, Engine checkEngine = {});

    // Both "SUFeedURL" and "SUPublicEDKey" present and non-empty.
    static bool feedConfigured(const InfoLookup& info);

    bool hasUpdater() const { return static_cast<bool>(engine_); }
    // Nothing without an updater.
    void checkForUpdates() const;

  private:
    Engine engine_;
};

}  // namespace brindlow
