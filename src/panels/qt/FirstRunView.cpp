#include "panels/qt/FirstRunView.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "panels/qt/PanelStyle.h"
#include "panels/qt/ShortcutGridView.h"

namespace brindlow {

namespace {

QLabel* wrapping(const QString& text, const QFont& font = QFont(), const QColor& color = QColor()) {
    QLabel* label = PanelStyle::plainLabel(text, font, color);
    label->setWordWrap(true);
    return label;
}

QColor secondary() {
    return QColor(110, 110, 115);
}

// A green check mark when done, else the step's number in a circle.
QPixmap stepIcon(int number, bool done) {
    const int side = 26;
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(1.5, 1.5, side - 3, side - 3);
    if (done) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(52, 168, 83));
        painter.drawEllipse(circle);
        painter.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF check[] = {{7.5, 13.5}, {11.5, 17.5}, {18.5, 9}};
        painter.drawPolyline(check, 3);
    } else {
        painter.setPen(QPen(secondary(), 1.5));
        painter.drawEllipse(circle);
        painter.setFont(PanelStyle::systemFont(10, true));
        painter.drawText(circle, Qt::AlignCenter, QString::number(number));
    }
    return pixmap;
}

QWidget* hintList(const std::vector<std::string>& hints) {
    auto* list = new QWidget;
    auto* rows = new QVBoxLayout(list);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(3);
    for (const std::string& hint : hints) {
        auto* row = new QHBoxLayout;
        row->setSpacing(6);
        row->addWidget(wrapping("\u2022", QFont(), secondary()), 0, Qt::AlignTop);
        row->addWidget(wrapping(PanelStyle::text(hint)), 1);
        rows->addLayout(row);
    }
    return list;
}

// One step: its icon beside its title and content.
QWidget* step(int number, bool done, const QString& title, const std::vector<QWidget*>& content) {
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    auto* icon = new QLabel;
    icon->setPixmap(stepIcon(number, done));
    row->addWidget(icon, 0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    QFont headline;
    headline.setBold(true);
    auto* heading = wrapping(title, headline);
    column->addWidget(heading);
    for (QWidget* widget : content) column->addWidget(widget);
    row->addLayout(column, 1);
    return box;
}

}  // namespace

FirstRunView::FirstRunView(FirstRunModel& model, std::function<AppSettings()> settings,
                           std::function<void()> onDone, QWidget* parent)
    : QWidget(parent),
      model_(model),
      settings_(std::move(settings)),
      onDone_(std::move(onDone)),
      timer_(std::make_unique<QTimer>()) {
    setFocusPolicy(Qt::StrongFocus);
    column_ = new QVBoxLayout(this);
    // The window keeps the content's size and follows it: not resizable by the user.
    column_->setSizeConstraint(QLayout::SetFixedSize);
    column_->setContentsMargins(20, 20, 20, 20);
    column_->setSpacing(12);

    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    auto* symbol = new QLabel;
    QPixmap strip(40, 34);
    strip.fill(Qt::transparent);
    {
        QPainter painter(&strip);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(PanelStyle::accent(), 2));
        painter.drawRoundedRect(QRectF(1, 4, 38, 26), 4, 4);
        painter.drawLine(QPointF(14, 4), QPointF(14, 30));
        painter.drawLine(QPointF(26, 4), QPointF(26, 30));
    }
    symbol->setPixmap(strip);
    header->addWidget(symbol);
    auto* titles = new QVBoxLayout;
    QFont titleFont;
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    titles->addWidget(wrapping("Welcome to Brindlow", titleFont));
    titles->addWidget(wrapping(
        "Every window becomes a column on one long strip. New windows open next to the one you "
        "are using; nothing else resizes.",
        QFont(), secondary()));
    header->addLayout(titles, 1);
    column_->addLayout(header);

    steps_ = new QWidget;
    steps_->setFixedWidth(kWidth - 40);
    column_->addWidget(steps_);

    auto* footer = new QHBoxLayout;
    footer->addStretch(1);
    getStarted_ = new QPushButton("Get Started");
    getStarted_->setDefault(true);
    QObject::connect(getStarted_, &QPushButton::clicked, [this] {
        if (onDone_) onDone_();
    });
    footer->addWidget(getStarted_);
    column_->addLayout(footer);

    timer_->setInterval(int(kRefreshInterval * 1000));
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { model_.refresh(); });
    model_.onChange = [this] { rebuild(); };
    rebuild();
}

FirstRunView::~FirstRunView() {
    model_.onChange = nullptr;
}

bool FirstRunView::refreshing() const {
    return timer_->isActive();
}

void FirstRunView::rebuild() {
    const AppSettings settings = settings_ ? settings_() : AppSettings{};
    Shown now{model_.trusted(), model_.conflicts(), model_.keys(), settings};
    if (shown_ == now) return;
    shown_ = std::move(now);
    auto* steps = new QWidget;
    steps->setFixedWidth(kWidth - 40);
    auto* list = new QVBoxLayout(steps);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(12);

    // Windows are moved through the window manager's standard protocols, which any X client may
    // use: there is nothing to allow, so the step has no buttons. The only way it is not done is
    // a display that cannot be reached.
    const bool trusted = model_.trusted();
    std::vector<QWidget*> permission = {
        wrapping("Brindlow moves windows through the window manager's standard protocols, so it "
                 "needs no permission. It collects nothing and never goes online.")};
    if (!trusted)
        permission.push_back(
            wrapping("Brindlow cannot reach the X server: it works only in an X11 session.",
                     PanelStyle::systemFont(9), secondary()));
    list->addWidget(step(1, trusted, "No permission needed", permission));

    const auto& conflicts = model_.conflicts();
    list->addWidget(step(2, conflicts.empty(), "Check for other tiling tools",
                         {wrapping(PanelStyle::text(FirstRunTexts::conflicts(conflicts)), QFont(),
                                   conflicts.empty() ? QColor() : QColor(230, 120, 0))}));

    auto* grids = new QWidget;
    auto* gridRow = new QHBoxLayout(grids);
    gridRow->setContentsMargins(0, 0, 0, 0);
    gridRow->setSpacing(28);
    gridRow->addWidget(
        new ShortcutGridView({{ShortcutGuide::kMoveAroundTitle, &ShortcutGuide::moveAround()},
                              {ShortcutGuide::kStacksTitle, &ShortcutGuide::stacks()}},
                             model_.keys(), false),
        1, Qt::AlignTop);
    gridRow->addWidget(
        new ShortcutGridView({{ShortcutGuide::kSizeAndPlaceTitle, &ShortcutGuide::sizeAndPlace()},
                              {ShortcutGuide::kAppTitle, &ShortcutGuide::appRows()}},
                             model_.keys(), false),
        1, Qt::AlignTop);
    std::vector<QWidget*> shortcuts = {grids};
    if (ShortcutGuide::showsHeldKeys(model_.keys()))
        shortcuts.push_back(wrapping(PanelStyle::text(ShortcutGuide::kHeldNote),
                                     PanelStyle::systemFont(9), secondary()));
    shortcuts.push_back(
        wrapping("Change any shortcut, or set the ones that are not set, in "
                 "Settings > Shortcuts.",
                 PanelStyle::systemFont(9), secondary()));
    list->addWidget(step(3, true, "Learn the shortcuts", shortcuts));

    list->addWidget(step(4, true, "Use the trackpad and mouse",
                         {hintList(FirstRunTexts::trackpadAndMouse(settings))}));
    list->addWidget(
        step(5, true, "Good to know", {hintList(FirstRunTexts::goodToKnow(model_.keys()))}));

    column_->replaceWidget(steps_, steps);
    delete steps_;
    steps_ = steps;
}

void FirstRunView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        getStarted_->click();
        return;
    }
    // Not a dialog: Esc does nothing.
    if (event->key() == Qt::Key_Escape) return;
    QWidget::keyPressEvent(event);
}

void FirstRunView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Return and Enter reach this view wherever its window was clicked.
    if (!focusWidget()) setFocus();
    model_.refresh();
    timer_->start();
}

void FirstRunView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_->stop();
}

}  // namespace brindlow
