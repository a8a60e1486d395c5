#pragma once

#include <cstdint>
#include <optional>

namespace brindlow {

// One raise of the window mover asks for the window's activation in several steps (main window,
// raise, application frontmost), each with the raise's number: the first goes out, the further
// ones only while still needed. An activation asked outside a raise (a restore, a panel's
// choice) and each new raise are first steps, however soon they follow. Not thread-safe.
class RaiseSteps {
  public:
    // Whether an activation of `window` asked for the raise `raise` (none: not a raise's) is a
    // further step of the last activation sent.
    bool furtherStep(std::uint32_t window, std::optional<std::uint64_t> raise) const;
    // Whether the last activation sent was a step of `raise` for another window than `window`.
    bool forAnotherWindow(std::uint32_t window, std::optional<std::uint64_t> raise) const;
    // An activation of `window` for `raise` went out (or a window of ours was handed the focus).
    void sent(std::uint32_t window, std::optional<std::uint64_t> raise);
    // The window Brindlow last activated.
    std::optional<std::uint32_t> lastWindow() const;

  private:
    struct Sent {
        std::uint32_t window = 0;
        std::optional<std::uint64_t> raise;
    };
    std::optional<Sent> last_;
};

}  // namespace brindlow
