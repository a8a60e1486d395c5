#include "input/KeyboardShortcuts/ViewModifiers.h"

#include <QAction>
#include <QEvent>
#include <QWidget>

#include "input/KeyboardShortcuts/MenuShortcuts.h"
#include "input/KeyboardShortcuts/Recorder.h"

namespace brindlow::KeyboardShortcuts {

namespace {

// Holds the name's event stream while the widget it watches is shown.
class ShownStream : public QObject {
  public:
    ShownStream(QWidget& widget, Name name, Registry& registry,
                std::function<void(EventType)> action)
        : QObject(&widget),
          name_(std::move(name)),
          registry_(registry),
          action_(std::move(action)) {
        widget.installEventFilter(this);
        if (widget.isVisible()) start();
    }
    ~ShownStream() override { stop(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) start();
        if (event->type() == QEvent::Hide) stop();
        return QObject::eventFilter(watched, event);
    }

  private:
    void start() {
        if (token_ == 0) token_ = registry_.addEventListener(name_, action_);
    }
    void stop() {
        if (token_ != 0) registry_.removeEventListener(token_);
        token_ = 0;
    }

    Name name_;
    Registry& registry_;
    std::function<void(EventType)> action_;
    ObserverToken token_ = 0;
};

// Keeps an action's key sequence equal to the name's stored shortcut, and
// empty while a recorder records.
class ShortcutBinding : public QObject {
  public:
    ShortcutBinding(QAction& action, Name name, Registry& registry)
        : QObject(&action), action_(action), name_(std::move(name)), registry_(registry) {
        setObjectName(kObjectName);
        changeToken_ = registry_.addChangeListener([this](const Name& changed) {
            if (changed == name_) apply();
        });
        activityToken_ = addRecorderActivityListener([this](bool active) {
            recording_ = active;
            apply();
        });
        apply();
    }
    ~ShortcutBinding() override {
        registry_.removeChangeListener(changeToken_);
        removeRecorderActivityListener(activityToken_);
    }

    static constexpr const char* kObjectName = "brindlow-shortcut-binding";

  private:
    void apply() {
        // Read anew every time: never a cached shortcut.
        setShortcut(action_, recording_ ? std::nullopt : registry_.getShortcut(name_));
    }

    QAction& action_;
    Name name_;
    Registry& registry_;
    bool recording_ = false;
    ObserverToken changeToken_ = 0;
    ObserverToken activityToken_ = 0;
};

}  // namespace

void onKeyboardShortcut(QWidget& widget, const Name& name, Registry& registry,
                        std::function<void(EventType)> action) {
    new ShownStream(widget, name, registry, std::move(action));
}

void onKeyboardShortcut(QWidget& widget, const Name& name, EventType type, Registry& registry,
                        std::function<void()> action) {
    onKeyboardShortcut(widget, name, registry, [type, action = std::move(action)](EventType event) {
        if (event == type) action();
    });
}

void globalKeyboardShortcut(QAction& action, const Name& name, Registry& registry) {
    const auto old =
        action.findChildren<QObject*>(ShortcutBinding::kObjectName, Qt::FindDirectChildrenOnly);
    for (QObject* binding : old) delete binding;
    new ShortcutBinding(action, name, registry);
}

}  // namespace brindlow::KeyboardShortcuts
