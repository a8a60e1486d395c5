#pragma once

#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "strip/Strip.h"
#include "strip/StripLayout.h"

namespace brindlow::test {

// A column of the given windows, equal weights, first row active.
inline Column column(std::initializer_list<WindowID> ids, std::optional<Pin> pin = std::nullopt,
                     double widthFraction = 0.5) {
    Column result;
    result.windows = ids;
    result.weights.assign(result.windows.size(), 1.0);
    result.widthFraction = widthFraction;
    result.pin = pin;
    return result;
}

inline Column left(std::initializer_list<WindowID> ids) {
    return column(ids, Pin::left);
}
inline Column right(std::initializer_list<WindowID> ids) {
    return column(ids, Pin::right);
}

inline Strip strip(std::vector<Column> columns, std::optional<int> focusedIndex = std::nullopt) {
    Strip result;
    result.columns = std::move(columns);
    result.focusedIndex = focusedIndex;
    return result;
}

// The strip's shape as text: columns separated by blanks, windows by commas, pins as "L:"/"R:",
// the focused column marked with "*" and a stack's active row, unless the first, with "^",
// e.g. "L:1 *2,3^ R:4".
inline std::string shape(const Strip& s) {
    std::ostringstream out;
    for (std::size_t c = 0; c < s.columns.size(); ++c) {
        if (c > 0) out << ' ';
        const Column& col = s.columns[c];
        if (s.focusedIndex == static_cast<int>(c)) out << '*';
        if (col.pin == Pin::left) out << "L:";
        if (col.pin == Pin::right) out << "R:";
        for (std::size_t w = 0; w < col.windows.size(); ++w) {
            if (w > 0) out << ',';
            out << col.windows[w];
            if (w > 0 && col.activeIndex == static_cast<int>(w)) out << '^';
        }
    }
    return out.str();
}

// The strip a shape text describes: equal weights, half-width columns.
inline Strip parse(const std::string& text) {
    Strip result;
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        if (word.starts_with('*')) {
            result.focusedIndex = static_cast<int>(result.columns.size());
            word.erase(0, 1);
        }
        std::optional<Pin> pin;
        if (word.starts_with("L:") || word.starts_with("R:")) {
            pin = word[0] == 'L' ? Pin::left : Pin::right;
            word.erase(0, 2);
        }
        Column c = column({}, pin);
        std::istringstream ids(word);
        std::string id;
        while (std::getline(ids, id, ',')) {
            if (id.ends_with('^')) c.activeIndex = static_cast<int>(c.windows.size());
            c.windows.push_back(static_cast<WindowID>(std::stoul(id)));
            c.weights.push_back(1.0);
        }
        result.columns.push_back(std::move(c));
    }
    return result;
}

}  // namespace brindlow::test

namespace brindlow {
// Failure messages show the strip's shape instead of its bytes.
inline void PrintTo(const Strip& s, std::ostream* out) {
    *out << '"' << test::shape(s) << "\" offset " << s.scrollOffset;
}
inline void PrintTo(const Placement& p, std::ostream* out) {
    *out << "{" << p.windowID << " " << p.frame << (p.isParked ? " parked" : "")
         << (p.isVisible ? "" : " hidden") << "}";
}
inline void PrintTo(const GapBand& b, std::ostream* out) {
    *out << "{" << b.rect << " over " << b.covering << "}";
}
}  // namespace brindlow
