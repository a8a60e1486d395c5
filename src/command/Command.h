#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brindlow {

// The one vocabulary of window commands: shortcuts, command-line requests, URLs
// and the menu all end in a Command. Only `jump` carries a value, the column
// number counted from 1.
class Command {
  public:
    enum class Kind : std::uint8_t {
        jump,
        focusLeft,
        focusRight,
        focusUp,
        focusDown,
        focusFirst,
        focusLast,
        moveLeft,
        moveRight,
        moveUp,
        moveDown,
        cycleWidth,
        fullWidth,
        fullScreen,
        center,
        wider,
        narrower,
        taller,
        shorter,
        equalizeHeights,
        sendToNextDisplay,
        toggleFloat,
        stackLeft,
        stackRight,
        growStack,
        popLeft,
        popRight,
        toggleTabbed,
        pinLeft,
        pinRight,
        togglePause,
        toggleFocusBorder,
        toggleDimInactive,
        search,
        overview,
        showShortcuts,
    };

    static constexpr std::size_t kCaseCount = 36;
    static constexpr std::int64_t kFirstJumpColumn = 1;
    static constexpr std::int64_t kLastJumpColumn = 99;

    // A command without a value; Kind::jump gives jump(0), which no lookup
    // produces — use Command::jumpTo for a real jump.
    constexpr Command(Kind kind) : kind_(kind) {}  // NOLINT: implicit on purpose
    static constexpr Command jumpTo(std::int64_t column) { return Command(Kind::jump, column); }

    constexpr Kind kind() const { return kind_; }
    // The column of a jump; 0 for every other case.
    constexpr std::int64_t jumpColumn() const { return column_; }

    // Same case and, for jump, the same column.
    constexpr bool operator==(const Command&) const = default;

    // Every case in declaration order.
    static const std::array<Kind, kCaseCount>& allKinds();

    // Command-line name → command for the 35 plain cases (no "jump"). Built once,
    // safely from any thread. Keys match exactly: case-sensitive, untrimmed.
    static const std::map<std::string, Command, std::less<>>& cliNames();

    // The command that a request's first word (and, for "jump", its second word)
    // names; none for anything else. "jump" needs a decimal number in 1...99.
    // Pure; runs on any thread.
    static std::optional<Command> named(std::string_view word,
                                        std::optional<std::string_view> argument = std::nullopt);

    // The command-line name ("focus-left"; "jump" for a jump).
    std::string_view cliName() const;
    // The words that name this command on the command line: {"jump", "3"}, {"equalize"}.
    std::vector<std::string> cliArguments() const;
    // The case name ("focusLeft").
    std::string_view caseName() const;
    // The log form: the case name, and for jump the column in parentheses: "jump(3)".
    std::string text() const;

    // True for the five commands the application carries out itself (panels and
    // overlay switches); every other command goes to the strip controller.
    bool isApplicationSide() const;

  private:
    constexpr Command(Kind kind, std::int64_t column) : kind_(kind), column_(column) {}

    Kind kind_;
    std::int64_t column_ = 0;
};

}  // namespace brindlow
