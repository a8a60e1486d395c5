#include "panels/ShortcutGuide.h"

#include <algorithm>
#include <array>

namespace brindlow::ShortcutGuide {

namespace {

using Ways = std::vector<std::vector<std::string>>;

std::vector<std::string> jumpNames() {
    std::vector<std::string> names;
    for (int digit = 1; digit <= 9; ++digit) names.push_back("jump" + std::to_string(digit));
    return names;
}

// The leading modifier names of a key text, each with its "+".
constexpr std::array<std::string_view, 4> kModifiers = {"Ctrl+", "Alt+", "Shift+", "Super+"};

size_t modifierLength(std::string_view text) {
    size_t length = 0;
    for (bool found = true; found;) {
        found = false;
        for (std::string_view modifier : kModifiers) {
            // A lone "+" after the modifiers is the key itself ("Ctrl++").
            if (text.substr(length).starts_with(modifier) &&
                text.size() > length + modifier.size()) {
                length += modifier.size();
                found = true;
                break;
            }
        }
    }
    return length;
}

std::string joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) text += separator;
        text += parts[i];
    }
    return text;
}

// "1", "2", … up to the number of keys, when there are more than three of them.
bool isDigitRun(const std::vector<std::string>& keys) {
    if (keys.size() <= 3) return false;
    for (size_t i = 0; i < keys.size(); ++i)
        if (keys[i] != std::to_string(i + 1)) return false;
    return true;
}

}  // namespace

const std::vector<Row>& moveAround() {
    static const std::vector<Row> rows = {
        {"Focus left / right",
         Ways{{"focusLeft", "focusRight"}, {"focusLeftAlt", "focusRightAlt"}}},
        {"Focus up / down in a stack",
         Ways{{"focusUp", "focusDown"}, {"focusUpAlt", "focusDownAlt"}}},
        {"Focus the first / last window", Ways{{"focusFirst", "focusLast"}}},
        {"Jump to window 1 to 9", Ways{jumpNames()}},
        {"Search windows", Ways{{"search"}}},
        {"Overview of all windows", Ways{{"overview"}}},
    };
    return rows;
}

const std::vector<Row>& stacks() {
    static const std::vector<Row> rows = {
        {"Stack windows (up to three)", Ways{{"stackLeftEasy"}}},
        {"Pop back out of the stack", Ways{{"popRightEasy"}}},
        {"Stack into the left / right column", Ways{{"stackLeft", "stackRight"}}},
        {"Pop out to the left / right", Ways{{"popLeft", "popRight"}}},
        {"Move up / down in the stack", Ways{{"moveUp", "moveDown"}, {"moveUpAlt", "moveDownAlt"}}},
        {"Taller / shorter in the stack", Ways{{"taller", "shorter"}}},
        {"Tabs instead of a stack / back", Ways{{"tabbed"}}},
    };
    return rows;
}

const std::vector<Row>& sizeAndPlace() {
    static const std::vector<Row> rows = {
        {"Cycle width", Ways{{"cycleWidth"}}},
        {"Wider / narrower", Ways{{"wider", "narrower"}}},
        {"Centre the window", Ways{{"center"}}},
        {"Full screen / back", Ways{{"fullWidth"}}},
        {"Fill the screen / back", Ways{{"fillScreen"}}},
        {"Even heights in a stack", Ways{{"equalize"}}},
        {"Move the window left / right",
         Ways{{"moveLeft", "moveRight"}, {"moveLeftAlt", "moveRightAlt"}}},
        {"Pin to the left / right edge", Ways{{"pinLeft", "pinRight"}}},
        {"Float / tile again", Ways{{"toggleFloat"}}},
        {"Send to the next display", Ways{{"sendToNextDisplay"}}},
    };
    return rows;
}

const Row& showAllRow() {
    static const Row row = {"Show all shortcuts", Ways{{"shortcuts"}}};
    return row;
}

const std::vector<Row>& appRows() {
    static const std::vector<Row> rows = {
        showAllRow(),
        {"Focus border on / off", Ways{{"focusBorder"}}},
        {"Dim other windows on / off", Ways{{"dimInactive"}}},
        {"Pause / resume Brindlow", Ways{{"pause"}}},
    };
    return rows;
}

std::optional<std::string> keyText(const std::vector<std::string>& way,
                                   const ShortcutSource& source,
                                   std::optional<std::string>& rowPrefix) {
    struct Part {
        std::string modifiers, key;
        bool held = false;
    };
    std::vector<Part> parts;
    for (const std::string& name : way) {
        const auto text = source.keyText(name);
        if (!text) continue;
        const size_t length = modifierLength(*text);
        parts.push_back(
            {text->substr(0, length), text->substr(length), source.isHeldElsewhere(name)});
    }
    if (parts.empty()) return std::nullopt;
    const auto held = size_t(
        std::count_if(parts.begin(), parts.end(), [](const Part& part) { return part.held; }));
    // Every key held: one mark after the whole text; some: a mark after each of those.
    const bool allHeld = held == parts.size();
    const auto marked = [allHeld](const Part& part, std::string text) {
        return part.held && !allHeld ? text + kHeldMark : text;
    };
    const std::string tail = allHeld ? kHeldMark : "";

    bool shared = true;
    for (const Part& part : parts) shared = shared && part.modifiers == parts.front().modifiers;
    if (!shared) {
        std::vector<std::string> each;
        for (const Part& part : parts) each.push_back(marked(part, part.modifiers + part.key));
        return joined(each, " / ") + tail;
    }

    const std::string& modifiers = parts.front().modifiers;
    std::vector<std::string> keys;
    for (const Part& part : parts) keys.push_back(part.key);
    if (isDigitRun(keys) && (held == 0 || allHeld)) {
        keys = {"1\u2013" + std::to_string(keys.size())};
    } else {
        for (size_t i = 0; i < parts.size(); ++i) keys[i] = marked(parts[i], keys[i]);
    }
    // The modifiers end in "+", which already joins them to the keys.
    std::string text = rowPrefix == modifiers ? joined(keys, " ") : modifiers + joined(keys, " ");
    if (!rowPrefix) rowPrefix = modifiers;
    return text + tail;
}

std::optional<std::string> keyText(const std::vector<std::vector<std::string>>& ways,
                                   const ShortcutSource& source) {
    std::optional<std::string> prefix;
    std::vector<std::string> texts;
    for (const auto& way : ways)
        if (auto text = keyText(way, source, prefix)) texts.push_back(std::move(*text));
    if (texts.empty()) return std::nullopt;
    return joined(texts, "  or  ");
}

std::map<std::string, std::string> keyTexts(const ShortcutSource& source) {
    std::map<std::string, std::string> texts;
    for (const auto* table : {&moveAround(), &stacks(), &sizeAndPlace(), &appRows()})
        for (const Row& row : *table)
            if (auto text = keyText(row.ways, source)) texts[row.action] = std::move(*text);
    return texts;
}

bool showsHeldKeys(const std::map<std::string, std::string>& keyTexts) {
    return std::any_of(keyTexts.begin(), keyTexts.end(), [](const auto& entry) {
        return entry.second.find(kHeldMark) != std::string::npos;
    });
}

}  // namespace brindlow::ShortcutGuide
