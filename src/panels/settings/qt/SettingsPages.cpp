#include "panels/settings/qt/SettingsPages.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QDateTime>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include "input/Hotkey.h"
#include "input/KeyboardShortcuts/Recorder.h"
#include "overlays/ColorText.h"
#include "overlays/QtColor.h"
#include "panels/settings/qt/SettingsControls.h"
#include "panels/settings/qt/SettingsListPages.h"
#include "panels/settings/qt/SettingsWindow.h"
#include "settings/LayoutsStore.h"
#include "settings/SettingsStore.h"

namespace brindlow {

namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), int(text.size()));
}

// A text after a coloured sign at its first line.
QWidget* markedRow(const QString& sign, const char* colour, QLabel* text) {
    auto* mark = new QLabel(sign);
    mark->setStyleSheet(QStringLiteral("color: ") + QString::fromLatin1(colour));
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mark, 0, Qt::AlignTop);
    layout->addWidget(text, 1);
    return row;
}

QWidget* generalPage(SettingsBinder& binder, const SettingsServices& services) {
    auto* page = new SettingsPageWidget;
    // Any X client may move windows through the window manager: there is nothing to grant.
    auto* permission = new QLabel(
        "No permission needed: Brindlow moves windows through the window manager's standard "
        "protocols.");
    permission->setObjectName("permission");
    permission->setWordWrap(true);
    page->section("Permission")->addWidget(markedRow("✔", "#34A853", permission));

    QVBoxLayout* startup = page->section("Startup");
    auto* login = new QCheckBox("Launch Brindlow at login");
    login->setObjectName("launchAtLogin");
    auto* loginError = new QLabel;
    loginError->setObjectName("loginError");
    loginError->setStyleSheet("color: red");
    loginError->setWordWrap(true);
    loginError->hide();
    login->setChecked(services.autostart.isEnabled());
    QObject::connect(login, &QCheckBox::toggled, login,
                     [login, loginError, autostart = services.autostart](bool on) {
                         const auto error = autostart.setEnabled(on);
                         // A failed change clears only with a later success.
                         if (error) loginError->setText(QString::fromStdString(*error));
                         loginError->setVisible(bool(error));
                         const QSignalBlocker blocker(login);
                         login->setChecked(autostart.isEnabled());
                     });
    startup->addWidget(login);
    startup->addWidget(loginError);
    // Run from where it was built, the entry would start that build until Brindlow is installed.
    if (const AutostartProgram& program = services.autostart.program(); program.buildTree) {
        QLabel* note = noteLabel(qs("Brindlow runs from its build folder: the login entry starts " +
                                    program.executable + "."));
        note->setObjectName("loginProgram");
        startup->addWidget(note);
    }

    QVBoxLayout* behaviour = page->section("Behaviour");
    behaviour->addWidget(binder.toggle("Focus follows mouse", &AppSettings::focusFollowsMouse));
    behaviour->addWidget(
        noteLabel("Resting the pointer on a fully visible column focuses it. "
                  "Brindlow never scrolls for this."));
    behaviour->addWidget(binder.toggle("Focus and move continue onto the next display",
                                       &AppSettings::focusCrossesDisplays));

    QVBoxLayout* actions = page->section();
    actions->addWidget(controlRow({actionButton("Show Getting Started", services.showFirstRun)}));
    actions->addWidget(controlRow({actionButton("Copy Diagnostics", services.copyDiagnostics)}));
    actions->addWidget(controlRow({actionButton("Save Diagnostics…", services.saveDiagnostics)}));
    page->finish();
    return page;
}

QWidget* layoutPage(SettingsBinder& binder) {
    auto* page = new SettingsPageWidget;
    QVBoxLayout* gaps = page->section("Gaps");
    gaps->addWidget(binder.slider("Between windows", &AppSettings::gap, 0, 48, 1, integerText));
    gaps->addWidget(
        binder.slider("At screen edges", &AppSettings::outerGap, 0, 48, 1, integerText));
    gaps->addWidget(
        noteLabel("Set edges to 0 to snap the outer columns flush to the screen "
                  "edges. Panels and docks are always kept clear."));

    QVBoxLayout* widths = page->section("Widths");
    std::vector<std::pair<QString, double>> widthChoices;
    for (double fraction : kNewWindowWidths)
        widthChoices.emplace_back(QString::fromStdString(percentText(fraction)), fraction);
    QComboBox* newWidth = binder.picker(&AppSettings::defaultWidth, widthChoices);
    // A width written by hand that is none of the choices shows as written.
    binder.onRefresh([newWidth](const AppSettings& s) {
        newWidth->setPlaceholderText(QString::fromStdString(percentText(s.defaultWidth)));
    });
    widths->addWidget(labelledRow("New windows open at", newWidth));
    auto* presets = new QLineEdit;
    presets->setObjectName("presetText");
    presets->setPlaceholderText("25, 33, 50, 66, 75");
    QLabel* notTaken = noteLabel({});
    notTaken->setObjectName("presetsNotTaken");
    // The whole row comes and goes with the line: a hidden line leaves no blank row.
    QWidget* notTakenRow = labelledRow({}, notTaken);
    notTakenRow->hide();
    SettingsStore& store = binder.store();
    const auto apply = [presets, notTaken, notTakenRow, &store] {
        const PresetInput input = readPresetText(presets->text().toStdString());
        if (!input.widths.empty())
            store.update([&](AppSettings& s) { s.presetWidths = input.widths; });
        const std::string note = notTakenText(input);
        notTaken->setText(QString::fromStdString(note));
        notTakenRow->setVisible(!note.empty());
        // What was typed and not taken is named below; the field shows what is stored.
        if (!input.notTaken.empty())
            presets->setText(QString::fromStdString(presetText(store.settings().presetWidths)));
    };
    QObject::connect(presets, &QLineEdit::returnPressed, presets, apply);
    auto* presetRow = new QWidget;
    auto* presetLayout = new QHBoxLayout(presetRow);
    presetLayout->setContentsMargins(0, 0, 0, 0);
    auto* presetLabel = new QLabel("Cycle width presets");
    presetLabel->setMinimumWidth(kRowTitleWidth);
    presetLayout->addWidget(presetLabel);
    presetLayout->addWidget(presets, 1);
    presetLayout->addWidget(actionButton("Apply", apply));
    widths->addWidget(presetRow);
    widths->addWidget(notTakenRow);
    widths->addWidget(binder.slider("Wider / narrower step", &AppSettings::widthStep, 0.05, 0.25,
                                    0.05, percentText));
    page->onShown = [presets, notTakenRow, &store] {
        presets->setText(QString::fromStdString(presetText(store.settings().presetWidths)));
        notTakenRow->hide();
    };

    QVBoxLayout* scrolling = page->section("Scrolling");
    scrolling->addWidget(
        labelledRow("Centre the focused column",
                    binder.picker(&AppSettings::centerMode,
                                  std::vector<std::pair<QString, CenterMode>>{
                                      {"Never (scroll just enough)", CenterMode::never},
                                      {"Always", CenterMode::always},
                                      {"Only when it would be cut off", CenterMode::onOverflow}})));
    page->finish();
    return page;
}

// The warning rows shown while the many-finger swipes are on and a gesture daemon binds the
// same swipes: checked when the page shows, every 2 s while it is shown, and after each
// settings change.
void addSwipeConflictWarning(SettingsPageWidget& page, QVBoxLayout& section, SettingsBinder& binder,
                             const SettingsServices& services) {
    QLabel* text = noteLabel({});
    text->setObjectName("swipeConflictText");
    text->setForegroundRole(QPalette::WindowText);
    QWidget* warning = markedRow("⚠", "#E67800", text);
    warning->setObjectName("swipeConflict");
    section.addWidget(warning);
    SettingsStore& store = binder.store();
    // Named for what it opens: the daemon's own configuration file, not a settings panel.
    QPushButton* open = actionButton({}, [&store, services] {
        if (services.openTrackpadSettings)
            services.openTrackpadSettings(int(store.settings().gestureFingers));
    });
    open->setObjectName("openTrackpadSettings");
    QWidget* openRow = controlRow({open});
    section.addWidget(openRow);
    warning->hide();
    openRow->hide();

    const auto refresh = [warning, text, open, openRow, &store, services] {
        const AppSettings s = store.settings();
        const int fingers = int(s.gestureFingers);
        const std::optional<SwipeConflict> conflict =
            s.gesturesEnabled && services.findSwipeConflict ? services.findSwipeConflict(fingers)
                                                            : std::nullopt;
        if (conflict) {
            text->setText(
                QString::fromStdString(swipeConflictWarning(*conflict, fingers, services.home)));
            open->setText("Open " +
                          QString::fromStdString(conflict->configuration.filename().string()));
        }
        warning->setVisible(bool(conflict));
        openRow->setVisible(bool(conflict));
    };
    auto* timer = new QTimer(&page);
    timer->setInterval(2000);
    QObject::connect(timer, &QTimer::timeout, &page, [timer, &page, refresh] {
        if (!page.isVisible()) {
            timer->stop();
            return;
        }
        refresh();
    });
    page.onShown = [timer, refresh] {
        refresh();
        timer->start();
    };
    // After a change, once the store holds it.
    QPointer<QWidget> alive(&page);
    binder.onRefresh([alive, refresh](const AppSettings&) {
        if (!alive) return;
        QTimer::singleShot(0, alive.data(), [alive, refresh] {
            if (alive->isVisible()) refresh();
        });
    });
}

QWidget* motionPage(SettingsBinder& binder, const SettingsServices& services) {
    auto* page = new SettingsPageWidget;
    QVBoxLayout* animation = page->section("Scroll animation");
    animation->addWidget(binder.toggle("Animate scrolling", &AppSettings::animationsEnabled));
    animation->addWidget(
        binder.slider("Speed", &AppSettings::springStiffness, 50, 1200, 10, durationText));
    animation->addWidget(
        noteLabel("Every move starts gently, glides evenly and lands softly. "
                  "Further right is faster; the time is for about one column."));
    SettingsStore& store = binder.store();
    animation->addWidget(controlRow({actionButton("Restore defaults", [&store] {
        store.update([](AppSettings& s) { s.springStiffness = AppSettings{}.springStiffness; });
        store.update([](AppSettings& s) { s.springDamping = AppSettings{}.springDamping; });
    })}));

    QVBoxLayout* trackpad = page->section("Trackpad");
    trackpad->addWidget(labelledRow(
        "Two-finger sideways swipe",
        binder.picker(
            &AppSettings::twoFingerScroll,
            std::vector<std::pair<QString, TwoFingerScroll>>{
                {"Scrolls the strip", TwoFingerScroll::always},
                {"Scrolls the strip only while holding Ctrl+Alt", TwoFingerScroll::withKeys},
                {"Off (apps get it)", TwoFingerScroll::off}})));
    auto* note = noteLabel({});
    binder.onRefresh([note](const AppSettings& s) {
        note->setText(s.twoFingerScroll == TwoFingerScroll::always
                          ? "Up and down scrolling always goes to the app. A sideways swipe "
                            "scrolls the app under the pointer too; hold Alt while you swipe to "
                            "scroll only the app."
                          : "Works with any trackpad setting. Up and down scrolling always goes "
                            "to the app.");
    });
    trackpad->addWidget(note);
    trackpad->addWidget(binder.toggle("Swipe sideways with more fingers to scroll the strip",
                                      &AppSettings::gesturesEnabled));
    QComboBox* fingers =
        binder.picker(&AppSettings::gestureFingers,
                      std::vector<std::pair<QString, std::int64_t>>{{"Three", 3}, {"Four", 4}});
    binder.onRefresh([fingers](const AppSettings& s) {
        fingers->setEnabled(s.gesturesEnabled);
        // A count written by hand that is neither choice shows as written.
        fingers->setPlaceholderText(QString::number(s.gestureFingers));
    });
    trackpad->addWidget(labelledRow("Fingers", fingers));
    addSwipeConflictWarning(*page, *trackpad, binder, services);
    trackpad->addWidget(binder.slider("Sensitivity", &AppSettings::gestureSensitivity, 0.5, 2.5,
                                      0.1, sensitivityText));
    page->finish();
    return page;
}

QWidget* displaysPage(SettingsBinder& binder, const SettingsServices& services) {
    auto* page = new SettingsPageWidget;
    QVBoxLayout* section = page->section("Each display has its own strip");
    auto* list = new QWidget;
    auto* listLayout = new QVBoxLayout(list);
    listLayout->setContentsMargins(0, 0, 0, 0);
    section->addWidget(list);
    section->addWidget(
        noteLabel("When a display is off, Brindlow leaves its windows alone. Send "
                  "to next display skips it."));
    SettingsStore& store = binder.store();
    auto switches = std::make_shared<std::vector<std::pair<std::string, QCheckBox*>>>();
    const auto show = [&store, switches](const AppSettings& s) {
        for (const auto& [uuid, box] : *switches) {
            const QSignalBlocker blocker(box);
            box->setChecked(std::find(s.disabledDisplays.begin(), s.disabledDisplays.end(), uuid) ==
                            s.disabledDisplays.end());
        }
    };
    binder.onRefresh(show);
    // The display list is read again each time the page is shown.
    page->onShown = [list, listLayout, switches, &store, show, displays = services.displays] {
        for (auto& entry : *switches) delete entry.second;
        switches->clear();
        for (const DisplayInfo& display : displays ? displays() : std::vector<DisplayInfo>{}) {
            const std::string label =
                display.name + "\n" + displaySizeText(display.frame.width, display.frame.height);
            auto* box = new QCheckBox(QString::fromStdString(label), list);
            QObject::connect(box, &QCheckBox::toggled, box, [&store, uuid = display.uuid](bool on) {
                store.update([&](AppSettings& s) {
                    s.disabledDisplays = switchDisplay(s.disabledDisplays, uuid, on);
                });
            });
            listLayout->addWidget(box);
            switches->emplace_back(display.uuid, box);
        }
        show(store.settings());
    };
    page->finish();
    return page;
}

QWidget* appearancePage(SettingsBinder& binder, const SettingsServices& services) {
    auto* page = new SettingsPageWidget;
    QVBoxLayout* indicator = page->section("Strip indicator");
    indicator->addWidget(binder.toggle("Show the strip indicator when the strip changes",
                                       &AppSettings::showIndicator));
    indicator->addWidget(
        labelledRow("Position", binder.picker(&AppSettings::indicatorPosition,
                                              std::vector<std::pair<QString, IndicatorPosition>>{
                                                  {"Top", IndicatorPosition::top},
                                                  {"Bottom", IndicatorPosition::bottom}})));
    indicator->addWidget(
        binder.toggle("Show position (3/8) in the tray icon", &AppSettings::showPositionInMenuBar));

    QVBoxLayout* border = page->section("Focus border");
    border->addWidget(
        binder.toggle("Draw a border around the focused window", &AppSettings::focusBorder));
    border->addWidget(
        binder.slider("Width", &AppSettings::focusBorderWidth, 1, 10, 1, integerText));
    // The swatch is an icon of the colour itself: a style sheet would be drawn as the style's
    // gradient, and the colour dialog, a child of the button, would inherit it.
    auto* colour = new QPushButton;
    colour->setObjectName("focusBorderColor");
    colour->setFixedWidth(80);
    colour->setIconSize(QSize(56, 14));
    SettingsStore& store = binder.store();
    const auto shownColour = [](const AppSettings& s) {
        // Unreadable text shows as the default blue and stays stored as written.
        return toQColor(colorFromText(s.focusBorderColor).value_or(kDefaultColor));
    };
    binder.onRefresh([colour, shownColour](const AppSettings& s) {
        QPixmap swatch(colour->iconSize());
        swatch.fill(shownColour(s));
        colour->setIcon(QIcon(swatch));
        colour->setToolTip(shownColour(s).name().toUpper());
    });
    QObject::connect(colour, &QPushButton::clicked, colour, [colour, &store, shownColour] {
        const QColor picked =
            QColorDialog::getColor(shownColour(store.settings()), colour->window(), "Colour");
        if (!picked.isValid()) return;
        const QColor rgb = picked.toRgb();
        const std::string text = colorText(Color{rgb.redF(), rgb.greenF(), rgb.blueF(), 1});
        store.update([&](AppSettings& s) { s.focusBorderColor = text; });
    });
    border->addWidget(labelledRow("Colour", controlRow({colour})));

    QVBoxLayout* dimming = page->section("Dimming");
    dimming->addWidget(
        binder.toggle("Dim windows that are not focused", &AppSettings::dimInactive));
    dimming->addWidget(
        binder.slider("Amount", &AppSettings::dimAmount, 0.05, 0.7, 0.05, percentText));
    if (services.compositing) {
        QLabel* note = noteLabel("Dimming needs a compositing manager, and none is running.");
        dimming->addWidget(note);
        const auto compositing = services.compositing;
        note->setVisible(!compositing());
        // The note comes and goes with the compositor while the page is open.
        if (services.watchCompositing) {
            std::shared_ptr<void> watch = services.watchCompositing(
                [note, compositing] { note->setVisible(!compositing()); });
            QObject::connect(note, &QObject::destroyed, [watch] {});
        }
    }
    page->finish();
    return page;
}

QWidget* copyableCommand(const QString& text) {
    auto* shown = new QLabel(text);
    shown->setObjectName("command");
    shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
    shown->setTextFormat(Qt::PlainText);
    shown->setWordWrap(true);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    shown->setFont(mono);
    auto* container = new QWidget;
    auto* layout = new QHBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(shown, 1);
    layout->addWidget(actionButton("Copy", [text] { QApplication::clipboard()->setText(text); }));
    return container;
}

QWidget* terminalPage(SettingsBinder& binder, const SettingsServices& services) {
    auto* page = new SettingsPageWidget;
    QVBoxLayout* badges = page->section("Attention badges");
    badges->addWidget(binder.toggle("Badge a terminal window when a long command finishes",
                                    &AppSettings::terminalBadges));
    badges->addWidget(
        noteLabel("The badge shows in the strip indicator, on the window and in "
                  "the tray, and clears when you focus the window."));
    QVBoxLayout* install = page->section("1. Install the command-line tool");
    if (services.toolOnPath)
        install->addWidget(noteLabel(QString::fromStdString(toolOnPathText(*services.toolOnPath))));
    else
        install->addWidget(copyableCommand(
            QString::fromStdString(installCommand(services.executable, services.userBin))));
    QVBoxLayout* hook = page->section("2. Add the hook to your shell");
    hook->addWidget(copyableCommand(qs(kZshHookLine)));
    hook->addWidget(copyableCommand(qs(kBashHookLine)));
    hook->addWidget(
        noteLabel("Open a new terminal tab afterwards. Commands that run 10 seconds "
                  "or longer report when they finish; set BRINDLOW_MIN_SECONDS to "
                  "change that."));
    page->finish();
    return page;
}

QWidget* aboutPage(const SettingsServices& services) {
    auto* page = new SettingsPageWidget;
    QVBoxLayout* about = page->section("About");
    about->addWidget(
        new QLabel(QString::fromStdString(versionLine(services.version, services.build))));
    if (services.copyright && !services.copyright->empty())
        about->addWidget(noteLabel(QString::fromStdString(*services.copyright)));
    page->finish();
    return page;
}

QWidget* shortcutsPage(const SettingsServices& services) {
    KeyboardShortcuts::Registry* registry = services.shortcuts;
    if (!registry) return nullptr;
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    auto* rows = new QWidget;
    auto* rowsLayout = new QVBoxLayout(rows);
    // Beneath a row whose shortcut another program holds (the window manager, often): the keys
    // do nothing here, and the user should know without reading the log.
    std::vector<std::pair<KeyboardShortcuts::Name, QLabel*>> heldNotes;
    for (const Hotkey& hotkey : Hotkey::all()) {
        auto* recorder =
            new KeyboardShortcuts::Recorder(*registry, hotkey.name, {}, services.hotKeys);
        recorder->setObjectName(QString::fromStdString(hotkey.name.rawValue));
        recorder->setConflictMenu(services.applicationKeys);
        auto* line = new QWidget;
        auto* lineLayout = new QHBoxLayout(line);
        lineLayout->setContentsMargins(0, 0, 0, 0);
        lineLayout->addWidget(new QLabel(QString::fromStdString(hotkey.title)), 1);
        lineLayout->addWidget(recorder);
        rowsLayout->addWidget(line);
        QLabel* held = noteLabel({});
        held->setObjectName(QString::fromStdString(hotkey.name.rawValue + "Held"));
        held->hide();
        rowsLayout->addWidget(held);
        heldNotes.emplace_back(hotkey.name, held);
    }
    const auto showHeldShortcuts = [registry, heldNotes] {
        for (const auto& [name, note] : heldNotes) {
            const std::optional<KeyboardShortcuts::Shortcut> shortcut = registry->getShortcut(name);
            const bool held = shortcut && registry->isHeldElsewhere(*shortcut);
            if (held)
                note->setText(QStringLiteral("Another program holds %1, so it does nothing here. "
                                             "Free it there or record another.")
                                  .arg(QString::fromStdString(shortcut->description())));
            note->setVisible(held);
        }
    };
    showHeldShortcuts();
    const ObserverToken changes =
        registry->addChangeListener([showHeldShortcuts](const auto&) { showHeldShortcuts(); });
    auto* scroll = new QScrollArea;
    scroll->setWidget(rows);
    scroll->setWidgetResizable(true);
    column->addWidget(scroll, 1);
    auto* bar = new QWidget;
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(0, 0, 0, 0);
    barLayout->addWidget(noteLabel("Changes work immediately."), 1);
    barLayout->addWidget(
        actionButton("Reset All to Defaults", [registry] { Hotkey::resetAll(*registry); }));
    column->addWidget(bar);

    // Recording must see every combination, also those this program grabs: let go of all the
    // grabs while a recorder records and take them again afterwards.
    auto wasEnabled = std::make_shared<bool>(true);
    const ObserverToken token = KeyboardShortcuts::addRecorderActivityListener(
        [registry, wasEnabled, showHeldShortcuts](bool active) {
            if (active) {
                *wasEnabled = registry->isEnabled();
                registry->setEnabled(false);
            } else {
                registry->setEnabled(*wasEnabled);
                showHeldShortcuts();
            }
        });
    QObject::connect(page, &QObject::destroyed, [token, registry, changes] {
        KeyboardShortcuts::removeRecorderActivityListener(token);
        registry->removeChangeListener(changes);
    });

    // Keys are named by the keyboard layout in use, and no toolkit event tells of a switch of
    // layout or group: while the page shows, the names are read again now and then.
    const auto recorders = rows->findChildren<KeyboardShortcuts::Recorder*>();
    whileShown(*page, kFollowKeyNamesMilliseconds, [recorders, showHeldShortcuts] {
        bool renamed = false;
        for (KeyboardShortcuts::Recorder* recorder : recorders)
            renamed = recorder->showKeyNamesAgain() || renamed;
        if (renamed) showHeldShortcuts();
    });
    return page;
}

}  // namespace

QWidget* makeSettingsPage(SettingsPageTab tab, SettingsBinder& binder,
                          const SettingsServices& services) {
    switch (tab) {
        case SettingsPageTab::general:
            return generalPage(binder, services);
        case SettingsPageTab::layout:
            return layoutPage(binder);
        case SettingsPageTab::motion:
            return motionPage(binder, services);
        case SettingsPageTab::displays:
            return displaysPage(binder, services);
        case SettingsPageTab::appearance:
            return appearancePage(binder, services);
        case SettingsPageTab::terminal:
            return terminalPage(binder, services);
        case SettingsPageTab::about:
            return aboutPage(services);
        case SettingsPageTab::shortcuts:
            return shortcutsPage(services);
        case SettingsPageTab::apps:
            return appsPage(binder, services);
        case SettingsPageTab::layouts:
            return layoutsPage(services);
    }
    return nullptr;
}

}  // namespace brindlow
