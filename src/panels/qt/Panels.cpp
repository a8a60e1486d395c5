#include "panels/qt/Panels.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "panels/qt/FirstRunView.h"
#include "panels/qt/OverviewView.h"
#include "panels/qt/PanelWindow.h"
#include "panels/qt/SearchView.h"
#include "panels/qt/ShortcutsView.h"
#include "platform/PanelDesktop.h"
#include "settings/SettingsStore.h"
#include "windows/AppIcons.h"

namespace brindlow {

namespace {

class NoShortcuts final : public ShortcutSource {
  public:
    std::optional<std::string> keyText(std::string_view) const override { return std::nullopt; }
};

const ShortcutSource& orNone(const ShortcutSource* source) {
    static const NoShortcuts none;
    return source ? *source : none;
}

}  // namespace

class Panels::DesktopWindowManagers final : public WindowManagerSource {
  public:
    explicit DesktopWindowManagers(PanelDesktop& desktop) : desktop_(desktop) {}
    std::optional<std::string> windowManagerName() const override {
        return desktop_.windowManagerName();
    }
    std::vector<std::string> processNames() const override { return desktop_.processNames(); }

  private:
    PanelDesktop& desktop_;
};

struct Panels::Search {
    PanelWindow window;
    SearchPanelController controller;
    SearchView* view;

    Search(Panels& panels, SearchModel& model)
        : window(panels.env_.desktop),
          controller(model, window, panels.env_.strip),
          view(new SearchView(
              model, [&panels](std::int32_t pid) { return panels.icon(pid); },
              [this](int index) { controller.choose(index); })) {
        window.setContent(view);
        window.setRoundedContent(SearchView::kCornerRadius);
        window.onKey = [this](PanelKey key) { return controller.handleKey(key); };
        window.onResign = [this] { controller.resignedKey(); };
        window.onTakesFocus = panels.env_.strip.yieldFocus;
        model.onChange = [this] { view->modelChanged(); };
    }
};

struct Panels::Overview {
    PanelWindow window;
    OverviewController controller;
    OverviewView* view;

    explicit Overview(Panels& panels)
        : window(panels.env_.desktop),
          controller(window, panels.env_.strip),
          view(new OverviewView(controller,
                                [&panels](std::int32_t pid) { return panels.icon(pid); })) {
        window.setContent(view);
        window.onKey = [this](PanelKey key) { return controller.handleKey(key); };
        window.onResign = [this] { controller.resignedKey(); };
        window.onTakesFocus = panels.env_.strip.yieldFocus;
        controller.onChange = [this] { view->modelChanged(); };
    }
};

struct Panels::Sheet {
    // No toolkit event tells of a switch of keyboard layout or group: while the sheet is open,
    // its key names are read again this often.
    static constexpr int kFollowKeysMilliseconds = 400;

    PanelWindow window;
    ShortcutsView* view;
    ShortcutsPanelController controller;
    QTimer followKeys;

    explicit Sheet(Panels& panels)
        : window(panels.env_.desktop),
          view(new ShortcutsView),
          controller(window, *view, orNone(panels.env_.shortcuts), [&panels] {
              return panels.env_.settings ? panels.env_.settings->settings() : AppSettings{};
          }) {
        window.setContent(view);
        window.setRoundedContent(ShortcutsView::kCornerRadius);
        window.onKey = [this](PanelKey key) { return controller.handleKey(key); };
        window.onResign = [this] { controller.resignedKey(); };
        window.onTakesFocus = panels.env_.strip.yieldFocus;
        followKeys.setInterval(kFollowKeysMilliseconds);
        QObject::connect(&followKeys, &QTimer::timeout, [this] {
            if (controller.isOpen())
                controller.refresh();
            else
                followKeys.stop();
        });
    }
};

Panels::Panels(PanelsEnvironment environment) : env_(std::move(environment)) {
    if (env_.desktop) windowManagers_ = std::make_unique<DesktopWindowManagers>(*env_.desktop);
}

Panels::~Panels() {
    searchModel_.onChange = nullptr;
}

Image Panels::icon(std::int32_t pid) {
    return env_.icons ? env_.icons->icon(pid) : Image{};
}

SearchPanelController& Panels::search() {
    if (!search_) search_ = std::make_unique<Search>(*this, searchModel_);
    return search_->controller;
}

OverviewController& Panels::overview() {
    if (!overview_) overview_ = std::make_unique<Overview>(*this);
    return overview_->controller;
}

ShortcutsPanelController& Panels::shortcuts() {
    if (!sheet_) sheet_ = std::make_unique<Sheet>(*this);
    return sheet_->controller;
}

PanelWindow& Panels::searchWindow() {
    search();
    return search_->window;
}

PanelWindow& Panels::overviewWindow() {
    overview();
    return overview_->window;
}

PanelWindow& Panels::shortcutsWindow() {
    shortcuts();
    return sheet_->window;
}

void Panels::snapshotPublished(const StripSnapshot& snapshot) {
    // Before the search was first opened there is nothing to keep current: opening loads it.
    if (search_) search_->controller.reload(snapshot.displays);
    if (overview_) overview_->controller.refresh(snapshot.displays);
}

void Panels::toggleSearch(const std::vector<DisplaySnapshot>& displays) {
    search().toggle(displays);
}

void Panels::toggleOverview(const StripSnapshot& snapshot) {
    overview().toggle(snapshot);
}

bool Panels::takeKeysBack() {
    bool taken = false;
    if (search_) taken = search_->window.takeKeysBack() || taken;
    if (overview_) taken = overview_->window.takeKeysBack() || taken;
    if (sheet_) taken = sheet_->window.takeKeysBack() || taken;
    return taken;
}

void Panels::toggleShortcuts(const DisplaySnapshot* display) {
    shortcuts().toggle(display);
    if (sheet_->controller.isOpen()) sheet_->followKeys.start();
}

std::vector<std::string> Panels::runningWindowManagers() const {
    return windowManagers_ ? brindlow::runningWindowManagers(*windowManagers_)
                           : std::vector<std::string>{};
}

std::unique_ptr<QWidget> Panels::makeFirstRunView(std::function<void()> onDone) {
    if (!firstRunModel_)
        firstRunModel_ = std::make_unique<FirstRunModel>(env_.trusted, windowManagers_.get(),
                                                         orNone(env_.shortcuts));
    auto view = std::make_unique<FirstRunView>(
        *firstRunModel_,
        [this] { return env_.settings ? env_.settings->settings() : AppSettings{}; },
        std::move(onDone));
    firstRun_ = view.get();
    if (env_.settings) {
        // The store outlives the view and keeps its observers; the hints follow every change.
        QPointer<FirstRunView> weak = view.get();
        env_.settings->addObserver([weak] {
            if (weak) weak->rebuild();
        });
    }
    return view;
}

FirstRunView* Panels::firstRunView() const {
    return firstRun_.data();
}

void Panels::windowShown(QWidget& window) {
    if (env_.strip.yieldFocus) env_.strip.yieldFocus();
    if (!env_.desktop) return;
    // A titled window: it stays among the ordinary windows.
    env_.desktop->preparePanel(std::uint32_t(window.winId()), false);
    env_.desktop->activate(std::uint32_t(window.winId()));
}

}  // namespace brindlow
