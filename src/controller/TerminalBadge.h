#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/WindowID.h"
#include "platform/ProcessTable.h"

namespace brindlow {

// The first process on the way from `pid` up through its parents (the process itself and at most
// 31 ancestors) that is in `applications`; none when the walk reaches a process id below 2, an
// unknown process or a parent that is not positive.
std::optional<std::int32_t> ancestorPID(const ProcessTable& processes, std::int32_t pid,
                                        const std::set<std::int32_t>& applications);

// A managed window of the terminal application, as the badge chooses among them.
struct BadgeCandidate {
    WindowID id = 0;
    std::string title;
};

// The last component of a path ("/a/b/" gives "b", "/" gives "/", "" gives "").
std::string lastPathComponent(std::string_view path);

// Whether `text` contains `part`, ignoring letter case in every script; accents and other
// characters compare exactly.
bool containsIgnoringCase(std::string_view text, std::string_view part);

// The window a finished command belongs to: the first whose title holds the directory's last
// component, else the first whose title holds the command, else the only one, else the
// application's focused window when it is a candidate, else the first. None without candidates.
std::optional<WindowID> chooseBadgeWindow(const std::vector<BadgeCandidate>& candidates,
                                          std::string_view directory, std::string_view command,
                                          std::optional<WindowID> focusedWindow);

}  // namespace brindlow
