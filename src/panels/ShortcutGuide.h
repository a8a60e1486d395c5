#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brindlow {

// The current key text of a named shortcut slot, modifiers the Linux way in their fixed order
// ("Ctrl+Alt+Shift+Super+←"); nothing when the slot is unknown or has no shortcut.
class ShortcutSource {
  public:
    virtual ~ShortcutSource() = default;
    virtual std::optional<std::string> keyText(std::string_view slotName) const = 0;
    // Whether another program holds the slot's keys, so that they do nothing here.
    virtual bool isHeldElsewhere(std::string_view) const { return false; }
};

// The curated list of what can be done from the keyboard, in four sections, with the keys that
// are assigned at the moment the texts are computed. Nothing is stored between calls.
namespace ShortcutGuide {

struct Row {
    std::string action;  // the line the user reads; the key of its key text
    // Alternatives; each names the slots of one way to do it (usually a pair of opposites).
    std::vector<std::vector<std::string>> ways;
};

const std::vector<Row>& moveAround();
const std::vector<Row>& stacks();
const std::vector<Row>& sizeAndPlace();
const std::vector<Row>& appRows();
const Row& showAllRow();

inline constexpr const char* kMoveAroundTitle = "Move around";
inline constexpr const char* kStacksTitle = "Stacks";
inline constexpr const char* kSizeAndPlaceTitle = "Size and place";
inline constexpr const char* kAppTitle = "Brindlow";
inline constexpr const char* kNotSet = "Not set";
// After keys another program holds: they are shown, since the user set them, but do nothing.
inline constexpr const char* kHeldMark = " (held)";
// Under a guide that shows such keys.
inline constexpr const char* kHeldNote =
    "Keys marked \u201Cheld\u201D belong to another program, often the window manager, and do "
    "nothing here: free them there, or change them in Settings > Shortcuts.";

// Action text to key text for every row of the four sections that has keys.
std::map<std::string, std::string> keyTexts(const ShortcutSource& source);
// Whether any of the texts marks keys as held elsewhere.
bool showsHeldKeys(const std::map<std::string, std::string>& keyTexts);
// One row's text: the alternatives' texts joined by "  or  ", sharing one modifier prefix.
std::optional<std::string> keyText(const std::vector<std::vector<std::string>>& ways,
                                   const ShortcutSource& source);
// One alternative's text; reads and may set the row's modifier prefix.
std::optional<std::string> keyText(const std::vector<std::string>& way,
                                   const ShortcutSource& source,
                                   std::optional<std::string>& rowPrefix);

}  // namespace ShortcutGuide

// A titled section of the guide as a grid shows it.
struct ShortcutGroup {
    std::string title;
    const std::vector<ShortcutGuide::Row>* rows = nullptr;
};

}  // namespace brindlow
