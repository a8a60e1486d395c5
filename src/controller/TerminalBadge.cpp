#include "controller/TerminalBadge.h"

#include "settings/TextFolding.h"

namespace brindlow {

std::optional<std::int32_t> ancestorPID(const ProcessTable& processes, std::int32_t pid,
                                        const std::set<std::int32_t>& applications) {
    std::int32_t current = pid;
    for (int step = 0; step < 32; ++step) {
        if (current < 2) return std::nullopt;
        if (applications.contains(current)) return current;
        const std::optional<std::int32_t> parent = processes.parentProcessID(current);
        if (!parent || *parent <= 0) return std::nullopt;
        current = *parent;
    }
    return std::nullopt;
}

std::string lastPathComponent(std::string_view path) {
    if (path.empty()) return {};
    size_t end = path.size();
    while (end > 1 && path[end - 1] == '/') --end;
    path = path.substr(0, end);
    if (path == "/") return "/";
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool containsIgnoringCase(std::string_view text, std::string_view part) {
    return textContainsIgnoringCase(text, part);
}

std::optional<WindowID> chooseBadgeWindow(const std::vector<BadgeCandidate>& candidates,
                                          std::string_view directory, std::string_view command,
                                          std::optional<WindowID> focusedWindow) {
    if (candidates.empty()) return std::nullopt;
    const auto firstContaining = [&](std::string_view part) -> std::optional<WindowID> {
        if (part.empty()) return std::nullopt;
        for (const BadgeCandidate& candidate : candidates)
            if (containsIgnoringCase(candidate.title, part)) return candidate.id;
        return std::nullopt;
    };
    if (const auto byDirectory = firstContaining(lastPathComponent(directory))) return byDirectory;
    if (const auto byCommand = firstContaining(command)) return byCommand;
    if (candidates.size() == 1) return candidates.front().id;
    if (focusedWindow)
        for (const BadgeCandidate& candidate : candidates)
            if (candidate.id == *focusedWindow) return candidate.id;
    return candidates.front().id;
}

}  // namespace brindlow
