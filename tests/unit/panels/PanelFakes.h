#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "controller/Snapshot.h"
#include "panels/PanelHost.h"
#include "panels/ShortcutGuide.h"

namespace brindlow::test {

// A panel window that records what it was asked; fades finish when the test says so.
class FakePanelHost final : public PanelHost {
  public:
    bool isVisible() const override { return visible; }
    bool isKey() const override { return visible; }
    void show(const Rect& frame) override {
        visible = true;
        shownFrames.push_back(frame);
    }
    void orderOut(bool giveFocusBack) override {
        visible = false;
        focusGivenBack.push_back(giveFocusBack);
    }
    void orderOutFocusing(WindowID window) override {
        visible = false;
        focusHandedTo.push_back(window);
    }
    Rect mainScreenVisibleFrame() const override { return {0, 0, 1440, 900}; }
    void setAlpha(double value) override { alphaValue = value; }
    double alpha() const override { return alphaValue; }
    void fadeAlpha(double value, double seconds, std::function<void()> completion) override {
        fades.push_back({value, seconds});
        pendingFade = [this, value, completion] {
            alphaValue = value;
            if (completion) completion();
        };
    }
    void finishFade() {
        auto done = std::move(pendingFade);
        pendingFade = nullptr;
        if (done) done();
    }

    bool visible = false;
    std::vector<Rect> shownFrames;
    std::vector<bool> focusGivenBack;
    std::vector<WindowID> focusHandedTo;
    double alphaValue = 1;
    std::vector<std::pair<double, double>> fades;  // target alpha, seconds
    std::function<void()> pendingFade;
};

// What the panels asked of the strip.
struct StripRecorder {
    std::vector<WindowID> jumps;
    std::vector<std::tuple<std::string, int, int>> reorders;
    int yields = 0;
    StripActions actions() {
        return {[this](WindowID id) { jumps.push_back(id); },
                [this](const std::string& uuid, int from, int to) {
                    reorders.emplace_back(uuid, from, to);
                },
                [this] { ++yields; }};
    }
};

// Key texts by slot name, as the shortcut store would give them.
class FakeShortcuts final : public ShortcutSource {
  public:
    std::optional<std::string> keyText(std::string_view slot) const override {
        const auto found = texts.find(std::string(slot));
        if (found == texts.end()) return std::nullopt;
        return found->second;
    }
    bool isHeldElsewhere(std::string_view slot) const override {
        return held.contains(std::string(slot));
    }
    std::map<std::string, std::string> texts;
    std::set<std::string> held;  // slots whose keys another program holds
};

inline WindowSnapshot window(WindowID id, std::string app, std::string title,
                             Rect frame = {0, 0, 800, 1000}) {
    WindowSnapshot w;
    w.id = id;
    w.app = std::move(app);
    w.title = std::move(title);
    w.frame = frame;
    return w;
}

inline ColumnSnapshot column(std::vector<WindowSnapshot> windows) {
    ColumnSnapshot c;
    c.windows = std::move(windows);
    return c;
}

inline DisplaySnapshot display(std::string id, std::string name,
                               std::vector<ColumnSnapshot> columns,
                               std::optional<int> focused = std::nullopt) {
    DisplaySnapshot d;
    d.id = std::move(id);
    d.name = std::move(name);
    d.frame = d.visible = {0, 0, 1920, 1080};
    d.columns = std::move(columns);
    d.focusedIndex = focused;
    return d;
}

}  // namespace brindlow::test
