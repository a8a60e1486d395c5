#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brindlow {

// A short message for the user, made by the strip controller and shown by the
// toast overlay. `needed` and `available` are widths or heights in points.
struct ToastMessage {
    std::string title;
    std::string detail;
    std::optional<std::int64_t> needed;
    std::optional<std::int64_t> available;

    // One line for the log: "title. detail", followed by
    // " Needs N pt, the screen has M pt." when both figures are set.
    std::string summary() const {
        std::string text = title + ". " + detail;
        if (needed && available) {
            text += " Needs " + std::to_string(*needed) + " pt, the screen has " +
                    std::to_string(*available) + " pt.";
        }
        return text;
    }

    friend bool operator==(const ToastMessage&, const ToastMessage&) = default;
};

}  // namespace brindlow
