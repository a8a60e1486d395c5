#include "panels/settings/qt/SettingsControls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "settings/SettingsStore.h"

namespace brindlow {

ValueSlider::ValueSlider(const QString& title, double minimum, double maximum, double step,
                         Format format, QWidget* parent)
    : QWidget(parent), minimum_(minimum), step_(step), format_(std::move(format)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto* titleLabel = new QLabel(title);
    titleLabel->setMinimumWidth(kRowTitleWidth);
    slider_ = new QSlider(Qt::Horizontal);
    slider_->setRange(0, int(std::lround((maximum - minimum) / step)));
    valueLabel_ = new QLabel;
    valueLabel_->setFixedWidth(56);
    valueLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(titleLabel);
    row->addWidget(slider_, 1);
    row->addWidget(valueLabel_);
    connect(slider_, &QSlider::valueChanged, this, [this](int position) {
        // Whole multiples of the step, without the float noise of min + i * step.
        const double value = std::round((minimum_ + position * step_) * 1e6) / 1e6;
        valueLabel_->setText(QString::fromStdString(format_(value)));
        if (onChange) onChange(value);
    });
}

void ValueSlider::showValue(double value) {
    const QSignalBlocker blocker(slider_);
    const double position = std::isfinite(value) ? std::round((value - minimum_) / step_) : 0;
    slider_->setValue(
        int(std::clamp(position, double(slider_->minimum()), double(slider_->maximum()))));
    valueLabel_->setText(QString::fromStdString(format_(value)));
}

QString ValueSlider::valueText() const {
    return valueLabel_->text();
}

void SettingsBinder::refresh() {
    const AppSettings settings = store_.settings();
    for (const auto& refresher : refreshers_) refresher(settings);
}

QCheckBox* SettingsBinder::toggle(const QString& text, bool AppSettings::*field) {
    auto* box = new QCheckBox(text);
    QObject::connect(box, &QCheckBox::toggled, box, [this, field](bool on) {
        store_.update([&](AppSettings& s) { s.*field = on; });
    });
    onRefresh([box, field](const AppSettings& s) {
        const QSignalBlocker blocker(box);
        box->setChecked(s.*field);
    });
    return box;
}

ValueSlider* SettingsBinder::slider(const QString& title, double AppSettings::*field,
                                    double minimum, double maximum, double step,
                                    ValueSlider::Format format) {
    auto* control = new ValueSlider(title, minimum, maximum, step, std::move(format));
    control->setObjectName(title);
    control->onChange = [this, field](double value) {
        store_.update([&](AppSettings& s) { s.*field = value; });
    };
    onRefresh([control, field](const AppSettings& s) { control->showValue(s.*field); });
    return control;
}

QComboBox* SettingsBinder::makeCombo(const std::vector<QString>& labels,
                                     std::function<void(int)> choose,
                                     std::function<int(const AppSettings&)> index) {
    auto* combo = new QComboBox;
    for (const QString& label : labels) combo->addItem(label);
    QObject::connect(combo, &QComboBox::activated, combo, std::move(choose));
    onRefresh([combo, index = std::move(index)](const AppSettings& s) {
        const QSignalBlocker blocker(combo);
        combo->setCurrentIndex(index(s));
    });
    return combo;
}

SettingsPageWidget::SettingsPageWidget(QWidget* parent) : QWidget(parent) {
    layout_ = new QVBoxLayout(this);
}

QVBoxLayout* SettingsPageWidget::section(const QString& title) {
    auto* box = new QGroupBox(title);
    auto* rows = new QVBoxLayout(box);
    layout_->addWidget(box);
    return rows;
}

void SettingsPageWidget::finish() {
    layout_->addStretch(1);
}

void SettingsPageWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (onShown) onShown();
}

QLabel* noteLabel(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QWidget* labelledRow(const QString& title, QWidget* control) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(title);
    label->setMinimumWidth(kRowTitleWidth);
    layout->addWidget(label);
    layout->addWidget(control, 1);
    return row;
}

QPushButton* actionButton(const QString& text, std::function<void()> action) {
    auto* control = new QPushButton(text);
    QObject::connect(control, &QPushButton::clicked, control, [action = std::move(action)] {
        if (action) action();
    });
    return control;
}

QWidget* controlRow(std::initializer_list<QWidget*> widgets, bool stretchLast) {
    auto* container = new QWidget;
    auto* layout = new QHBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* widget : widgets) layout->addWidget(widget);
    if (!stretchLast) layout->addStretch(1);
    return container;
}

QIcon themedIcon(const char* name, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name),
                            QApplication::style()->standardIcon(fallback));
}

QIcon drawnSymbol(const std::function<void(QPainter&)>& draw) {
    QPixmap drawn(32, 32);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QApplication::palette().color(QPalette::WindowText), 2.5, Qt::SolidLine,
                        Qt::RoundCap, Qt::RoundJoin));
    draw(painter);
    painter.end();
    return QIcon(drawn);
}

QIcon removeIcon() {
    return QIcon::fromTheme(QStringLiteral("list-remove"), drawnSymbol([](QPainter& painter) {
                                painter.drawEllipse(QPointF(16, 16), 12, 12);
                                painter.drawLine(QPointF(10, 16), QPointF(22, 16));
                            }));
}

QToolButton* iconButton(const QIcon& icon, const QString& title, std::function<void()> action) {
    auto* control = new QToolButton;
    control->setIcon(icon);
    control->setToolTip(title);
    control->setAccessibleName(title);
    control->setObjectName(title);
    control->setAutoRaise(true);
    QObject::connect(control, &QToolButton::clicked, control, [action = std::move(action)] {
        if (action) action();
    });
    return control;
}

namespace {

// Starts its timer when the widget it watches is shown and stops it when it is hidden.
class ShownTimer final : public QTimer {
  public:
    ShownTimer(QWidget& widget, int milliseconds, std::function<void()> tick) : QTimer(&widget) {
        setInterval(milliseconds);
        connect(this, &QTimer::timeout, this, std::move(tick));
        widget.installEventFilter(this);
        if (widget.isVisible()) start();
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) start();
        if (event->type() == QEvent::Hide) stop();
        return QTimer::eventFilter(watched, event);
    }
};

}  // namespace

void whileShown(QWidget& widget, int milliseconds, std::function<void()> tick) {
    new ShownTimer(widget, milliseconds, std::move(tick));  // owned by the widget
}

}  // namespace brindlow
