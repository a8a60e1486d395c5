#pragma once

#include <QIcon>
#include <QStyle>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

class QPainter;

#include "settings/SettingsStore.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QToolButton;
class QSlider;
class QVBoxLayout;

namespace brindlow {

// A titled slider with its value text: title column 150 px, value column 56 px.
// A stored value off the slider's grid keeps its own text and is never
// rewritten by showing it.
class ValueSlider : public QWidget {
  public:
    using Format = std::function<std::string(double)>;
    ValueSlider(const QString& title, double minimum, double maximum, double step, Format format,
                QWidget* parent = nullptr);

    // Shows `value` without reporting it as a change.
    void showValue(double value);
    // Called with each value the user moves the slider to.
    std::function<void(double)> onChange;
    QSlider* slider() const { return slider_; }
    QString valueText() const;

  private:
    double minimum_;
    double step_;
    Format format_;
    QSlider* slider_;
    QLabel* valueLabel_;
};

// Binds controls to fields of the store's settings: each user change writes
// the store at once (the store saves only a changed value), and refresh() shows
// the stored values under signal blockers so that showing writes nothing.
class SettingsBinder {
  public:
    explicit SettingsBinder(SettingsStore& store) : store_(store) {}
    SettingsStore& store() { return store_; }

    void onRefresh(std::function<void(const AppSettings&)> refresher) {
        refreshers_.push_back(std::move(refresher));
    }
    void refresh();

    QCheckBox* toggle(const QString& text, bool AppSettings::*field);
    ValueSlider* slider(const QString& title, double AppSettings::*field, double minimum,
                        double maximum, double step, ValueSlider::Format format);
    // A picker over fixed choices; a stored value that is none of them selects nothing.
    template <typename T>
    QComboBox* picker(T AppSettings::*field, const std::vector<std::pair<QString, T>>& choices);

  private:
    QComboBox* makeCombo(const std::vector<QString>& labels, std::function<void(int)> choose,
                         std::function<int(const AppSettings&)> index);

    SettingsStore& store_;
    std::vector<std::function<void(const AppSettings&)>> refreshers_;
};

template <typename T>
QComboBox* SettingsBinder::picker(T AppSettings::*field,
                                  const std::vector<std::pair<QString, T>>& choices) {
    std::vector<QString> labels;
    for (const auto& choice : choices) labels.push_back(choice.first);
    return makeCombo(
        labels,
        [this, field, choices](int i) {
            if (i < 0 || std::size_t(i) >= choices.size()) return;
            store_.update([&](AppSettings& s) { s.*field = choices[std::size_t(i)].second; });
        },
        [field, choices](const AppSettings& s) {
            for (std::size_t i = 0; i < choices.size(); ++i)
                if (choices[i].second == s.*field) return int(i);
            return -1;
        });
}

// A page: a vertical stack of titled sections.
class SettingsPageWidget : public QWidget {
  public:
    explicit SettingsPageWidget(QWidget* parent = nullptr);
    // A new section titled `title` (no title: none), holding rows.
    QVBoxLayout* section(const QString& title = {});
    void finish();  // after the last section

    // Called each time the page is shown.
    std::function<void()> onShown;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QVBoxLayout* layout_;
};

// A small secondary-coloured note under a control.
QLabel* noteLabel(const QString& text);
// Width of the titles in front of sliders, pickers and fields, wide enough for the longest one at
// the default font, so that every control of a page starts at the same x.
inline constexpr int kRowTitleWidth = 180;

// A row of the title column and a control.
QWidget* labelledRow(const QString& title, QWidget* control);

// A push button that runs `action` when clicked.
QPushButton* actionButton(const QString& text, std::function<void()> action);
// Widgets side by side, pushed to the leading edge unless `stretchLast`.
QWidget* controlRow(std::initializer_list<QWidget*> widgets, bool stretchLast = false);
// The icon of the desktop's theme named `name`, else the style's own `fallback`, so that a
// system without an icon theme still shows one.
QIcon themedIcon(const char* name, QStyle::StandardPixmap fallback);
// A symbol drawn by `draw` on a transparent 32 × 32 square, with strokes 2.5 wide, round, in
// the text colour.
QIcon drawnSymbol(const std::function<void(QPainter&)>& draw);
// The theme's "list-remove", else a drawn minus in a circle.
QIcon removeIcon();
// A borderless button showing only `icon`; `title` is its tooltip and accessible name.
QToolButton* iconButton(const QIcon& icon, const QString& title, std::function<void()> action);

// How often a page that shows key names reads them again while it shows: no toolkit event tells
// of a switch of keyboard layout or group.
inline constexpr int kFollowKeyNamesMilliseconds = 400;
// Runs `tick` every `milliseconds` while `widget` is shown, and never while it is hidden.
void whileShown(QWidget& widget, int milliseconds, std::function<void()> tick);

}  // namespace brindlow
