// Thousands of random edits on random strips, with the model's invariants checked after every
// step. A failure prints the seed; set BRINDLOW_STRIP_SEED to replay it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "StripBuilders.h"
#include "strip/LayoutEngine.h"
#include "strip/Strip.h"
#include "support/StripInvariants.h"

namespace brindlow {
namespace {

std::uint64_t chooseSeed() {
    if (const char* text = std::getenv("BRINDLOW_STRIP_SEED")) return std::stoull(text);
    return std::random_device{}();
}

class RandomEditor {
  public:
    explicit RandomEditor(std::uint64_t seed) : random_(seed) {}

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool chance(double p) { return std::bernoulli_distribution(p)(random_); }

    WindowID freshWindow() { return nextWindow_++; }

    Column randomColumn(std::optional<Pin> pin) {
        Column column;
        const int rows = pick(1, 3);
        for (int r = 0; r < rows; ++r) {
            column.windows.push_back(freshWindow());
            column.weights.push_back(pick(1, 30) / 10.0);
        }
        column.activeIndex = pick(0, rows - 1);
        column.widthFraction = pick(1, 10) / 10.0;
        column.isFullWidth = chance(0.1);
        column.isTabbed = chance(0.15);
        column.pin = pin;
        if (chance(0.1)) column.refusedWidth = RefusedWidth{400, 450};
        return column;
    }

    Strip randomStrip() {
        Strip s;
        const int leftCount = pick(0, 2);
        const int middle = pick(0, 6);
        const int rightCount = pick(0, 2);
        for (int i = 0; i < leftCount; ++i) s.columns.push_back(randomColumn(Pin::left));
        for (int i = 0; i < middle; ++i) s.columns.push_back(randomColumn(std::nullopt));
        for (int i = 0; i < rightCount; ++i) s.columns.push_back(randomColumn(Pin::right));
        if (!s.columns.empty()) s.focusedIndex = pick(0, static_cast<int>(s.columns.size()) - 1);
        return s;
    }

    // A delta that is often a plain step and sometimes an edge value.
    int delta() {
        static constexpr int deltas[] = {-1, 1, -1, 1, -2, 2, 0, -7, 7, -1000000, 1000000};
        return deltas[pick(0, static_cast<int>(std::size(deltas)) - 1)];
    }

    // Some window of the strips, or one no strip holds.
    WindowID anyWindow(const Strip& s) {
        const auto ids = s.allWindowIDs();
        if (ids.empty() || chance(0.1)) return nextWindow_ + 1000;
        return ids[static_cast<std::size_t>(pick(0, static_cast<int>(ids.size()) - 1))];
    }

    // Applies one random edit to `s` (moving windows to `other` sometimes) and describes it.
    std::string edit(Strip& s, Strip& other) {
        const Strip before = s;
        std::optional<bool> result;
        std::ostringstream name;
        using Step = bool (Strip::*)(int);
        using Toggle = bool (Strip::*)();
        static constexpr std::pair<const char*, Step> steps[] = {
            {"moveFocus", &Strip::moveFocus},
            {"focusEdge", &Strip::focusEdge},
            {"moveFocusInStack", &Strip::moveFocusInStack},
            {"moveColumn", &Strip::moveColumn},
            {"stackIntoNeighbour", &Strip::stackIntoNeighbour},
            {"pullFromNeighbour", &Strip::pullFromNeighbour},
            {"popActiveWindow", &Strip::popActiveWindow},
            {"moveWindowInStack", &Strip::moveWindowInStack}};
        static constexpr std::pair<const char*, Toggle> toggles[] = {
            {"growStack", &Strip::growStack},
            {"toggleTabbed", &Strip::toggleTabbed},
            {"equalizeHeights", &Strip::equalizeHeights},
            {"toggleFullWidth", &Strip::toggleFullWidth}};
        const int kind = pick(0, 21);
        if (kind < 8) {
            const int d = delta();
            name << steps[kind].first << " " << d;
            result = (s.*steps[kind].second)(d);
        } else if (kind < 12) {
            name << toggles[kind - 8].first;
            result = (s.*toggles[kind - 8].second)();
        }
        switch (kind) {
            default:  // a step or toggle above
                break;
            case 12: {
                const WindowID id = freshWindow();
                name << "insertWindow " << id;
                s.insertWindow(id, pick(1, 10) / 10.0);
                break;
            }
            case 13: {
                const int index = pick(-2, static_cast<int>(s.columns.size()) + 2);
                name << "insertColumn at " << index;
                const auto pin = chance(0.5) ? std::optional<Pin>() : Pin::right;
                s.insertColumn(randomColumn(pin), index);
                break;
            }
            case 14: {
                const WindowID id = anyWindow(s);
                name << "remove " << id;
                s.remove(id);
                break;
            }
            case 15: {
                const WindowID id = anyWindow(s);
                name << "focus " << id;
                result = s.focus(id);
                break;
            }
            case 16: {
                const int n = static_cast<int>(s.columns.size());
                const int from = pick(-1, n);
                const int to = pick(-3, n + 3);
                name << "reorderColumn " << from << " " << to;
                s.reorderColumn(from, to);
                break;
            }
            case 17: {
                const Pin pin = chance(0.5) ? Pin::left : Pin::right;
                name << "togglePin " << toText(pin);
                result = s.togglePin(pin);
                break;
            }
            case 18: {
                const WindowID id = anyWindow(s);
                name << "expelWindow " << id;
                result = s.expelWindow(id);
                break;
            }
            case 19: {
                const double d = pick(-40, 40) / 100.0;
                name << "adjustActiveWeight " << d;
                result = s.adjustActiveWeight(d);
                break;
            }
            case 20:
            case 21: {
                // Move the focused window to the other display's strip.
                const auto id = s.focusedWindowID();
                name << "send to other strip";
                if (id) {
                    s.remove(*id);
                    other.insertWindow(*id, 0.5);
                }
                break;
            }
        }
        if (result == false && s != before) name << " returned false but changed the strip";
        return name.str();
    }

  private:
    std::mt19937_64 random_;
    WindowID nextWindow_ = 1;
};

TEST(StripRandomized, InvariantsHoldAfterEveryEdit) {
    const std::uint64_t seed = chooseSeed();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (replay with BRINDLOW_STRIP_SEED)");
    RandomEditor editor(seed);
    const DisplayGeometry geometry{{0, 25, 1600, 875}, {0, 0, 1600, 900}, {{1600, 0, 1200, 900}}};
    const LayoutEngine::MinimumHeights minimums{{3, 500}, {8, 900}, {13, 250}};

    for (int round = 0; round < 40; ++round) {
        Strip strips[2] = {editor.randomStrip(), editor.randomStrip()};
        for (int step = 0; step < 250; ++step) {
            const int which = editor.pick(0, 1);
            const Strip before = strips[which];
            const std::string edit = editor.edit(strips[which], strips[1 - which]);
            ASSERT_EQ(edit.find("returned false"), std::string::npos)
                << edit << " on " << test::shape(before);

            std::multiset<WindowID> seen;
            for (const Strip& s : strips) {
                const std::string problems = test::brokenInvariants(s);
                ASSERT_TRUE(problems.empty())
                    << problems << "after " << edit << " on " << test::shape(before) << " giving "
                    << test::shape(s);
                for (WindowID id : s.allWindowIDs()) seen.insert(id);
            }
            for (WindowID id : seen) {
                ASSERT_EQ(seen.count(id), 1u) << "window " << id << " twice after " << edit;
            }

            // The layout places every window exactly once with a usable frame.
            const Strip& s = strips[which];
            const double offset = editor.pick(-500, 3000);
            const StripLayout result =
                LayoutEngine::layout(s, geometry, minimums, offset, offset, 12, 8, 10);
            ASSERT_EQ(result.placements.size(), s.allWindowIDs().size()) << edit;
            for (const Placement& p : result.placements) {
                ASSERT_GE(p.frame.width, 1) << edit;
                ASSERT_GE(p.frame.height, 1) << edit;
            }
        }
    }
}

}  // namespace
}  // namespace brindlow
