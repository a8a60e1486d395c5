#include "command/Command.h"

#include "command/DecimalParsing.h"

namespace brindlow {

namespace {

struct CaseInfo {
    Command::Kind kind;
    std::string_view caseName;
    std::string_view cliName;
};

// Declaration order. Eight command-line names differ from the hyphenated case
// name (equalize, float, stack, tabbed, pause, focus-border, dim-inactive,
// shortcuts).
constexpr std::array<CaseInfo, Command::kCaseCount> kCases = {{
    {Command::Kind::jump, "jump", "jump"},
    {Command::Kind::focusLeft, "focusLeft", "focus-left"},
    {Command::Kind::focusRight, "focusRight", "focus-right"},
    {Command::Kind::focusUp, "focusUp", "focus-up"},
    {Command::Kind::focusDown, "focusDown", "focus-down"},
    {Command::Kind::focusFirst, "focusFirst", "focus-first"},
    {Command::Kind::focusLast, "focusLast", "focus-last"},
    {Command::Kind::moveLeft, "moveLeft", "move-left"},
    {Command::Kind::moveRight, "moveRight", "move-right"},
    {Command::Kind::moveUp, "moveUp", "move-up"},
    {Command::Kind::moveDown, "moveDown", "move-down"},
    {Command::Kind::cycleWidth, "cycleWidth", "cycle-width"},
    {Command::Kind::fullWidth, "fullWidth", "full-width"},
    {Command::Kind::fullScreen, "fullScreen", "full-screen"},
    {Command::Kind::center, "center", "center"},
    {Command::Kind::wider, "wider", "wider"},
    {Command::Kind::narrower, "narrower", "narrower"},
    {Command::Kind::taller, "taller", "taller"},
    {Command::Kind::shorter, "shorter", "shorter"},
    {Command::Kind::equalizeHeights, "equalizeHeights", "equalize"},
    {Command::Kind::sendToNextDisplay, "sendToNextDisplay", "send-to-next-display"},
    {Command::Kind::toggleFloat, "toggleFloat", "float"},
    {Command::Kind::stackLeft, "stackLeft", "stack-left"},
    {Command::Kind::stackRight, "stackRight", "stack-right"},
    {Command::Kind::growStack, "growStack", "stack"},
    {Command::Kind::popLeft, "popLeft", "pop-left"},
    {Command::Kind::popRight, "popRight", "pop-right"},
    {Command::Kind::toggleTabbed, "toggleTabbed", "tabbed"},
    {Command::Kind::pinLeft, "pinLeft", "pin-left"},
    {Command::Kind::pinRight, "pinRight", "pin-right"},
    {Command::Kind::togglePause, "togglePause", "pause"},
    {Command::Kind::toggleFocusBorder, "toggleFocusBorder", "focus-border"},
    {Command::Kind::toggleDimInactive, "toggleDimInactive", "dim-inactive"},
    {Command::Kind::search, "search", "search"},
    {Command::Kind::overview, "overview", "overview"},
    {Command::Kind::showShortcuts, "showShortcuts", "shortcuts"},
}};

const CaseInfo& info(Command::Kind kind) {
    return kCases[static_cast<std::size_t>(kind)];
}

}  // namespace

const std::array<Command::Kind, Command::kCaseCount>& Command::allKinds() {
    static const std::array<Kind, kCaseCount> kinds = [] {
        std::array<Kind, kCaseCount> result{};
        for (std::size_t i = 0; i < kCaseCount; ++i) result[i] = kCases[i].kind;
        return result;
    }();
    return kinds;
}

const std::map<std::string, Command, std::less<>>& Command::cliNames() {
    // A function-local static is built exactly once even when the first calls
    // come from two threads at once.
    static const std::map<std::string, Command, std::less<>> names = [] {
        std::map<std::string, Command, std::less<>> result;
        for (const CaseInfo& entry : kCases) {
            if (entry.kind != Kind::jump) result.emplace(std::string(entry.cliName), entry.kind);
        }
        return result;
    }();
    return names;
}

std::optional<Command> Command::named(std::string_view word,
                                      std::optional<std::string_view> argument) {
    if (word == "jump") {
        if (!argument || argument->empty()) return std::nullopt;
        const auto column = parseDecimal<std::int64_t>(*argument);
        if (!column || *column < kFirstJumpColumn || *column > kLastJumpColumn) return std::nullopt;
        return jumpTo(*column);
    }
    const auto& names = cliNames();
    const auto found = names.find(word);
    if (found == names.end()) return std::nullopt;
    return found->second;
}

std::string_view Command::cliName() const {
    return info(kind_).cliName;
}

std::vector<std::string> Command::cliArguments() const {
    std::vector<std::string> words{std::string(cliName())};
    if (kind_ == Kind::jump) words.push_back(std::to_string(column_));
    return words;
}

std::string_view Command::caseName() const {
    return info(kind_).caseName;
}

std::string Command::text() const {
    std::string result(caseName());
    if (kind_ == Kind::jump) result += "(" + std::to_string(column_) + ")";
    return result;
}

bool Command::isApplicationSide() const {
    switch (kind_) {
        case Kind::toggleFocusBorder:
        case Kind::toggleDimInactive:
        case Kind::search:
        case Kind::overview:
        case Kind::showShortcuts:
            return true;
        default:
            return false;
    }
}

}  // namespace brindlow
