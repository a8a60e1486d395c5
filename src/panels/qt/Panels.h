#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "controller/Snapshot.h"
#include "panels/FirstRunModel.h"
#include "panels/OverviewController.h"
#include "panels/SearchModel.h"
#include "panels/SearchPanelController.h"
#include "panels/ShortcutsPanelController.h"
#include "platform/Image.h"

namespace brindlow {

class AppIconCache;
class FirstRunView;
class OverviewView;
class PanelDesktop;
class PanelWindow;
class SearchView;
class SettingsStore;
class ShortcutsView;
class Workspace;

// What the panels reach outside themselves.
struct PanelsEnvironment {
    PanelDesktop* desktop = nullptr;  // none: no focus hand-back, no window-manager hints
    Workspace* workspace = nullptr;   // with `desktop`, conflicts
    AppIconCache* icons = nullptr;    // the process's application icons
    StripActions strip;
    const ShortcutSource* shortcuts = nullptr;
    SettingsStore* settings = nullptr;
    // Whether window control is allowed; always on this platform when a display answers.
    std::function<bool()> trusted;
};

// The panels the user opens by command, made on first use and kept for the process: window
// search, the overview, the keyboard-shortcut sheet and the first-run window. Main thread.
class Panels {
  public:
    static constexpr const char* kFirstRunTitle = "Welcome to Brindlow";

    explicit Panels(PanelsEnvironment environment);
    ~Panels();
    Panels(const Panels&) = delete;
    Panels& operator=(const Panels&) = delete;

    // Every published snapshot: the search candidates and the open overview follow it.
    void snapshotPublished(const StripSnapshot& snapshot);
    void toggleSearch(const std::vector<DisplaySnapshot>& displays);
    void toggleOverview(const StripSnapshot& snapshot);
    void toggleShortcuts(const DisplaySnapshot* display);
    // Another window took the keys from the open panel without the user asking: the panel asks
    // for them again. False when no panel is open.
    bool takeKeysBack();
    // The first-run window's content; `onDone` is its "Get Started". The window presenter
    // keeps it for the process.
    std::unique_ptr<QWidget> makeFirstRunView(std::function<void()> onDone);
    // A titled window of ours that was just shown: on every desktop, out of taskbars, focused.
    void windowShown(QWidget& window);

    // The running conflicting window managers, as the first-run window names them.
    std::vector<std::string> runningWindowManagers() const;

    SearchPanelController& search();
    OverviewController& overview();
    ShortcutsPanelController& shortcuts();
    PanelWindow& searchWindow();
    PanelWindow& overviewWindow();
    PanelWindow& shortcutsWindow();
    // The first-run content while it exists.
    FirstRunView* firstRunView() const;

  private:
    class DesktopWindowManagers;
    struct Search;
    struct Overview;
    struct Sheet;
    Image icon(std::int32_t pid);

    PanelsEnvironment env_;
    std::unique_ptr<DesktopWindowManagers> windowManagers_;
    SearchModel searchModel_;
    std::unique_ptr<Search> search_;
    std::unique_ptr<Overview> overview_;
    std::unique_ptr<Sheet> sheet_;
    std::unique_ptr<FirstRunModel> firstRunModel_;
    QPointer<FirstRunView> firstRun_;  // owned by its window
};

}  // namespace brindlow
