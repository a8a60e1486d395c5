#include "input/KeyboardShortcuts/MenuShortcuts.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <array>

#include "input/KeyboardShortcuts/DisplayText.h"
#include "platform/KeyCodeTable.h"

namespace brindlow::KeyboardShortcuts {

namespace {

struct QtKey {
    int keyCode;
    Qt::Key key;
};

// Keys Qt names without a character.
constexpr std::array<QtKey, 35> kQtKeys{{
    {36, Qt::Key_Return}, {51, Qt::Key_Backspace}, {117, Qt::Key_Delete},   {119, Qt::Key_End},
    {53, Qt::Key_Escape}, {114, Qt::Key_Help},     {115, Qt::Key_Home},     {49, Qt::Key_Space},
    {48, Qt::Key_Tab},    {116, Qt::Key_PageUp},   {121, Qt::Key_PageDown}, {126, Qt::Key_Up},
    {124, Qt::Key_Right}, {125, Qt::Key_Down},     {123, Qt::Key_Left},     {122, Qt::Key_F1},
    {120, Qt::Key_F2},    {99, Qt::Key_F3},        {118, Qt::Key_F4},       {96, Qt::Key_F5},
    {97, Qt::Key_F6},     {98, Qt::Key_F7},        {100, Qt::Key_F8},       {101, Qt::Key_F9},
    {109, Qt::Key_F10},   {103, Qt::Key_F11},      {111, Qt::Key_F12},      {105, Qt::Key_F13},
    {107, Qt::Key_F14},   {113, Qt::Key_F15},      {106, Qt::Key_F16},      {64, Qt::Key_F17},
    {79, Qt::Key_F18},    {80, Qt::Key_F19},       {90, Qt::Key_F20},
}};

Qt::KeyboardModifiers qtModifiers(int mask) {
    Qt::KeyboardModifiers modifiers;
    if (mask & CarbonModifier::control) modifiers |= Qt::ControlModifier;
    if (mask & CarbonModifier::option) modifiers |= Qt::AltModifier;
    if (mask & CarbonModifier::shift) modifiers |= Qt::ShiftModifier;
    if (mask & CarbonModifier::command) modifiers |= Qt::MetaModifier;
    return modifiers;
}

int carbonOf(Qt::KeyboardModifiers modifiers) {
    int mask = 0;
    if (modifiers & Qt::ControlModifier) mask |= CarbonModifier::control;
    if (modifiers & Qt::AltModifier) mask |= CarbonModifier::option;
    if (modifiers & Qt::ShiftModifier) mask |= CarbonModifier::shift;
    if (modifiers & Qt::MetaModifier) mask |= CarbonModifier::command;
    return mask;
}

std::optional<Qt::Key> qtKey(int keyCode) {
    for (const QtKey& entry : kQtKeys) {
        if (entry.keyCode == keyCode) return entry.key;
    }
    if (isSpecialKey(keyCode)) return std::nullopt;  // the keypad keys
    const std::optional<std::string> character = keyCharacter(keyCode);
    if (!character) return std::nullopt;
    const QString text = QString::fromStdString(*character).toUpper();
    if (text.size() != 1) return std::nullopt;
    return static_cast<Qt::Key>(text.at(0).unicode());
}

}  // namespace

QKeySequence toKeySequence(const Shortcut& shortcut) {
    if (shortcut.carbonModifiers & CarbonModifier::function) return {};
    const std::optional<Qt::Key> key = qtKey(shortcut.carbonKeyCode);
    if (!key) return {};
    return QKeySequence(QKeyCombination(qtModifiers(shortcut.carbonModifiers), *key));
}

std::optional<Shortcut> shortcutFromKeyEvent(const QKeyEvent& event) {
    const int mask = carbonOf(event.modifiers());
    if (const std::optional<int> keyCode =
            virtualKeyForXKeyCode(static_cast<int>(event.nativeScanCode()))) {
        return Shortcut::make(*keyCode, mask);
    }
    for (const QtKey& entry : kQtKeys) {
        if (entry.key == event.key()) return Shortcut::make(entry.keyCode, mask);
    }
    // Without a native key code (offscreen): a US layout position of the character.
    const QString text = event.text().toLower();
    if (text.size() == 1) {
        for (int keyCode = 0; keyCode <= kMaxKeyCode; ++keyCode) {
            if (usLayoutCharacter(keyCode) == text.toStdString())
                return Shortcut::make(keyCode, mask);
        }
    }
    const QString keyText = QKeySequence(event.key()).toString().toLower();
    for (int keyCode = 0; keyCode <= kMaxKeyCode && keyText.size() == 1; ++keyCode) {
        if (usLayoutCharacter(keyCode) == keyText.toStdString())
            return Shortcut::make(keyCode, mask);
    }
    return std::nullopt;
}

void setShortcut(QAction& action, const std::optional<Shortcut>& shortcut) {
    action.setShortcut(shortcut ? toKeySequence(*shortcut) : QKeySequence());
}

namespace {

// The change listener of a followed menu item; removed with the item.
struct Follower : QObject {
    Follower(QAction& action, Name followed, Registry& registry)
        : QObject(&action), name(std::move(followed)), registry_(registry) {
        setObjectName(kObjectName);
        QPointer<QAction> item(&action);
        token = registry_.addChangeListener([this, item](const Name& changed) {
            if (item && changed == name) setShortcut(*item, registry_.getShortcut(name));
        });
    }
    ~Follower() override { registry_.removeChangeListener(token); }

    static constexpr const char* kObjectName = "brindlow-shortcut-follower";

    Name name;
    Registry& registry_;
    ObserverToken token = 0;
};

}  // namespace

void setShortcut(QAction& action, const std::optional<Name>& name, Registry& registry) {
    for (Follower* follower : action.findChildren<Follower*>(Qt::FindDirectChildrenOnly))
        delete follower;
    if (!name) {
        setShortcut(action, std::optional<Shortcut>());
        return;
    }
    setShortcut(action, registry.getShortcut(*name));
    new Follower(action, *name, registry);
}

QAction* menuItemWithMatchingShortcut(const Shortcut& shortcut, const QMenu& menu) {
    const QKeySequence wanted = toKeySequence(shortcut);
    for (QAction* action : menu.actions()) {
        if (!wanted.isEmpty() && action->shortcut() == wanted) return action;
        if (QMenu* submenu = action->menu()) {
            if (QAction* found = menuItemWithMatchingShortcut(shortcut, *submenu)) return found;
        }
    }
    return nullptr;
}

MenuKeyWatch::MenuKeyWatch(Registry& registry, HotKeyCenter& hotKeys)
    : registry_(registry), hotKeys_(hotKeys) {
    if (qApp) qApp->installEventFilter(this);
}

MenuKeyWatch::~MenuKeyWatch() {
    if (qApp) qApp->removeEventFilter(this);
}

void MenuKeyWatch::updateMenuState() {
    registry_.setMenuOpen(openMenus_ > 0);
}

bool MenuKeyWatch::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
            if (qobject_cast<QMenu*>(watched)) {
                int open = 0;
                for (QWidget* widget : QApplication::topLevelWidgets()) {
                    if (qobject_cast<QMenu*>(widget) && widget->isVisible()) ++open;
                }
                openMenus_ = open;
                updateMenuState();
            }
            break;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            if (!hotKeys_.isWatchingKeys() || !qobject_cast<QMenu*>(watched)) break;
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->isAutoRepeat()) break;
            // Alt alone may close the menu; the shortcuts being typed start with it.
            if (key->key() == Qt::Key_Alt || key->key() == Qt::Key_Meta) return true;
            const std::optional<Shortcut> shortcut = shortcutFromKeyEvent(*key);
            if (shortcut &&
                hotKeys_.handleRawKey(shortcut->carbonKeyCode, shortcut->carbonModifiers,
                                      event->type() == QEvent::KeyPress)) {
                return true;
            }
            break;
        }
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace brindlow::KeyboardShortcuts
