#pragma once

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "ControllerScenario.h"

namespace brindlow::test {

// Two displays; `count` windows of one frontmost application on the left one, columns in the
// order they were opened, the last one focused. Animations off unless a test turns them on.
class CommandScenario : public ControllerScenario {
  protected:
    SimApp editor;
    SimApp term;
    std::vector<SimWindow> windows;

    void SetUp() override {
        ControllerScenario::SetUp();
        addTwoDisplays();
        editor = desktop.launchApp(
            {.name = "Editor", .bundleID = "org.example.editor", .activate = true});
        term = desktop.launchApp({.name = "Term", .bundleID = "org.example.term"});
    }

    void open(int count, AppSettings settings = stillSettings()) {
        for (int i = 0; i < count; ++i)
            windows.push_back(desktop.openWindow(editor, {.title = "w" + std::to_string(i),
                                                          .frame = {100.0 + 20 * i, 100, 700, 500},
                                                          .focus = i == count - 1}));
        time.runUntilIdle();
        start(settings);
        snapshots.clear();
        messages.clear();
        LogSink::clear();
    }

    const ColumnSnapshot& focusedColumn(const std::string& uuid = "LEFT") const {
        return display(uuid).columns.at(size_t(*display(uuid).focusedIndex));
    }
    WindowID id(int index) const { return windows.at(size_t(index)).id(); }

    // A drag as the user makes it: the button goes down and the window moves (posting its event).
    void drag(const SimWindow& window, const Rect& to) {
        desktop.setLeftMouseButtonDown(true);
        window.setFrame(to);
        time.runUntilIdle();
    }

    void release() {
        desktop.setLeftMouseButtonDown(false);
        time.advance(0.5);
    }

    // The window's frame moved so that its centre lies at x (and 30 points down).
    static Rect centredAt(const Rect& frame, double x) {
        return Rect(x - frame.width / 2, frame.minY() + 30, frame.width, frame.height);
    }

    // Moves the focus onto a window as a command would (a jump of its column).
    void focusWindow(WindowID window) {
        const auto all = columns();
        for (size_t column = 0; column < all.size(); ++column)
            if (std::find(all[column].begin(), all[column].end(), window) != all[column].end())
                return run(Command::jumpTo(int(column) + 1));
        FAIL() << "window " << window << " is in no column";
    }
};

}  // namespace brindlow::test
