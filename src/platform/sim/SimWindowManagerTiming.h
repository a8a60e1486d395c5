#pragma once

#include <cstdint>
#include <map>

namespace brindlow {

// The requests a window manager carries out for us, each answered after a delay of its own.
enum class SimRequestKind {
    activate,     // "AXMain" / "AXFocused" written, "AXRaise", the application's "AXFrontmost"
    mapBack,      // "AXMinimized" written false
    iconify,      // "AXMinimized" written true
    restack,      // "AXStackedAbove" written, "AXLower"
    moveResize,   // "AXPosition" / "AXSize" written (the frame changes at once; see below)
    desktopMove,  // "AXAway" written
};

// How late the simulated window manager answers our requests. With no latency at all (the
// default) every request is carried out the moment it is made.
//
// A request is carried out, and its notifications posted, once its latency has passed (plus up to
// `spread` more, drawn at random); answers of different kinds overtake one another, those of one
// kind keep their order, as a window manager reads one client's requests in order. It acts on the
// window as the window then is: an activation maps a minimised window back, as window managers do.
// Whatever the user does comes after every request sent before it, as a window manager reads its
// requests in the order they came. A move or resize changes the frame at once (what our writer
// reads back is what the window manager did); only what follows from it, a window coming under a
// resting pointer beside a window manager whose focus follows it, comes a latency later.
struct SimWindowManagerTiming {
    std::map<SimRequestKind, double> latency;  // seconds; a kind not listed is answered at once
    double spread = 0;
    std::uint64_t seed = 1;

    double of(SimRequestKind kind) const {
        const auto found = latency.find(kind);
        return found == latency.end() ? 0 : found->second;
    }
    bool on() const {
        for (const auto& [kind, seconds] : latency)
            if (seconds > 0) return true;
        return spread > 0;
    }
};

}  // namespace brindlow
