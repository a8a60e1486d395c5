#include "windows/ParkedStacking.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <unordered_map>

#include "platform/Accessibility.h"
#include "windows/AX.h"

namespace brindlow {

namespace {

// Without a stacking order: every parked window once after it was parked.
int lowerNewlyParked(const std::vector<Placement>& placements,
                     const std::map<WindowID, ManagedWindow>& windows,
                     std::set<WindowID>& lowered) {
    int asked = 0;
    for (const Placement& placement : placements) {
        if (!placement.isParked) {
            lowered.erase(placement.windowID);
            continue;
        }
        if (lowered.contains(placement.windowID)) continue;
        const auto window = windows.find(placement.windowID);
        if (window == windows.end() || !window->second.element) continue;
        window->second.element->performAction(ax::lowerAction);
        lowered.insert(placement.windowID);
        ++asked;
    }
    return asked;
}

// How far beyond its frame a window manager's invisible resize border may reach: KWin's takes
// clicks 14 points outside every frame, over the gap between two columns.
constexpr double kResizeBorderReach = 24;

// The visible window beside `parked` within the reach of its resize border, on the same rows;
// none when `parked` overlaps any visible window (then it belongs under them).
template <typename Known>
std::optional<Known> neighbourOf(const Known& parked, const std::vector<Known>& visible) {
    const Rect& p = parked.window->frame;
    std::optional<Known> nearest;
    double nearestGap = kResizeBorderReach;
    for (const Known& shown : visible) {
        const Rect& v = shown.window->frame;
        if (v.intersects(p)) return std::nullopt;
        if (v.maxY() <= p.y || p.maxY() <= v.y) continue;
        const double gap = v.x >= p.maxX() ? v.x - p.maxX() : p.x - v.maxX();
        if (gap >= 0 && gap <= nearestGap) {
            nearestGap = gap;
            nearest = shown;
        }
    }
    return nearest;
}

// Whether what `parked` draws beyond its frame (the shadow margin of a client with its own
// decorations: black where no compositor draws it) lies over `shown`'s frame. Asked only of a
// parked window beside a visible one: a read of the window.
bool drawsOver(const ManagedWindow& parked, const ManagedWindow& shown) {
    const std::optional<Rect> drawn = AX::drawnFrame(parked.element);
    return drawn && drawn->intersects(shown.frame);
}

}  // namespace

int keepParkedWindowsUnder(const std::vector<Placement>& placements,
                           const std::map<WindowID, ManagedWindow>& windows,
                           const std::vector<WindowID>& frontToBack, std::set<WindowID>& lowered,
                           bool restacksHonoured, std::vector<StackingAsk>* asked) {
    const auto ask = [asked](const ManagedWindow& front, const ManagedWindow& behind) {
        if (asked) asked->push_back({front.id, behind.id});
    };
    // Windows that went away are forgotten.
    for (auto id = lowered.begin(); id != lowered.end();)
        id = windows.contains(*id) ? std::next(id) : lowered.erase(id);
    if (frontToBack.empty()) return lowerNewlyParked(placements, windows, lowered);

    std::unordered_map<WindowID, std::size_t> depth;  // 0 is the front
    for (std::size_t i = 0; i < frontToBack.size(); ++i) depth.emplace(frontToBack[i], i);
    struct Known {
        const ManagedWindow* window;
        std::size_t depth;
    };
    const auto known = [&](const Placement& placement) -> std::optional<Known> {
        const auto window = windows.find(placement.windowID);
        const auto found = depth.find(placement.windowID);
        if (window == windows.end() || !window->second.element || found == depth.end())
            return std::nullopt;
        return Known{&window->second, found->second};
    };
    std::vector<Known> parked;
    for (const Placement& placement : placements)
        if (placement.isParked)
            if (const auto entry = known(placement)) parked.push_back(*entry);

    // For each covered visible window, the parked windows in front of it that overlap it.
    struct Covered {
        Known shown;
        std::vector<const Known*> over;
    };
    std::vector<Covered> covered;
    std::vector<Known> visible;
    for (const Placement& placement : placements) {
        if (placement.isParked || !placement.isVisible) continue;
        const auto shown = known(placement);
        if (!shown) continue;
        visible.push_back(*shown);
        Covered entry{*shown, {}};
        for (const Known& over : parked)
            if (over.depth < shown->depth && over.window->frame.intersects(shown->window->frame))
                entry.over.push_back(&over);
        if (!entry.over.empty()) covered.push_back(std::move(entry));
    }
    // Under several parked windows, the visible one goes above the frontmost of them: one
    // restack. Under a single one, that one goes under everything, as a parked window should.
    int restacks = 0;
    std::set<const Known*> toLower;
    for (const Covered& entry : covered) {
        if (entry.over.size() == 1 || !restacksHonoured) {
            toLower.insert(entry.over.begin(), entry.over.end());
            for (const Known* over : entry.over) ask(*entry.shown.window, *over->window);
            continue;
        }
        const Known* frontmost =
            *std::min_element(entry.over.begin(), entry.over.end(),
                              [](const Known* a, const Known* b) { return a->depth < b->depth; });
        entry.shown.window->element->setAttributeValue(ax::stackedAbove,
                                                       frontmost->window->element);
        ask(*entry.shown.window, *frontmost->window);
        ++restacks;
    }
    for (const Known* over : toLower) {
        over->window->element->performAction(ax::lowerAction);
        ++restacks;
    }
    // A parked window clear of every visible one shows a sliver at the screen's edge. Some window
    // managers (KWin) widen each frame by an invisible resize border that reaches over the gap:
    // under its visible neighbour, the sliver would take no clicks. It goes directly above that
    // neighbour instead; neither then covers anything of the other. Unless the parked window's
    // drawn margin reaches over the neighbour: then it goes under it.
    for (const Known& over : parked) {
        const auto neighbour = neighbourOf(over, visible);
        if (!neighbour) continue;
        const bool inFront = over.depth < neighbour->depth;
        if (drawsOver(*over.window, *neighbour->window)) {
            if (!inFront || toLower.contains(&over)) continue;
            over.window->element->performAction(ax::lowerAction);
            ask(*neighbour->window, *over.window);
            ++restacks;
            continue;
        }
        if (inFront) continue;
        over.window->element->setAttributeValue(ax::stackedAbove, neighbour->window->element);
        ask(*over.window, *neighbour->window);
        ++restacks;
    }
    return restacks;
}

int keepParkedBesideRaised(const std::vector<Placement>& placements,
                           const std::map<WindowID, ManagedWindow>& windows, WindowID raised,
                           const std::vector<WindowID>& frontToBack,
                           std::optional<Point> keepUncovered, std::vector<StackingAsk>* asked) {
    // Whether `parked` stands behind `raised` as far as the order tells.
    const auto raisedAt = std::find(frontToBack.begin(), frontToBack.end(), raised);
    const auto behindRaised = [&](WindowID parked) {
        if (raisedAt == frontToBack.end()) return true;
        return std::find(frontToBack.begin(), raisedAt, parked) == raisedAt;
    };
    struct Known {
        const ManagedWindow* window;
    };
    const auto known = [&](const Placement& placement) -> std::optional<Known> {
        const auto window = windows.find(placement.windowID);
        if (window == windows.end() || !window->second.element) return std::nullopt;
        return Known{&window->second};
    };
    std::vector<Known> visible;
    for (const Placement& placement : placements)
        if (!placement.isParked && placement.isVisible)
            if (const auto shown = known(placement)) visible.push_back(*shown);
    int lifted = 0;
    for (const Placement& placement : placements) {
        if (!placement.isParked) continue;
        const auto over = known(placement);
        if (!over) continue;
        const auto neighbour = neighbourOf(*over, visible);
        if (!neighbour || neighbour->window->id != raised) continue;
        if (!behindRaised(placement.windowID)) continue;
        if (keepUncovered && over->window->frame.contains(*keepUncovered)) continue;
        if (drawsOver(*over->window, *neighbour->window)) continue;
        over->window->element->setAttributeValue(ax::stackedAbove, neighbour->window->element);
        if (asked) asked->push_back({over->window->id, raised});
        ++lifted;
    }
    return lifted;
}

}  // namespace brindlow
