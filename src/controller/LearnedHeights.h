#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace brindlow {

// The shortest height each application's windows accept, learned from windows that refused to
// get shorter, by bundle identifier, and kept in "minimum-heights.json".
class LearnedHeights {
  public:
    static constexpr const char* kFileName = "minimum-heights.json";
    // A new height closer than this to the known one is not worth a write.
    static constexpr double kNoticeableChange = 2.0;

    // Reads the file in `folder`; an unreadable file is noted and counts as empty.
    static LearnedHeights load(const std::filesystem::path& folder);

    std::optional<double> heightFor(const std::string& app) const;
    // Remembers `height` for `app` and rewrites the file, unless it is within kNoticeableChange
    // of the known height.
    void learn(const std::string& app, double height);
    // Replaces the whole table in memory, e.g. when a test or a restore sets it.
    void set(const std::string& app, double height) { heights_[app] = height; }
    const std::map<std::string, double>& all() const { return heights_; }

  private:
    std::filesystem::path file_;
    std::map<std::string, double> heights_;
};

}  // namespace brindlow
