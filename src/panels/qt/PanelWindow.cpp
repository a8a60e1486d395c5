#include "panels/qt/PanelWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVariantAnimation>

#include "panels/PanelShadow.h"
#include "platform/Log.h"
#include "platform/PanelDesktop.h"

namespace brindlow {

namespace {

// How often a deactivated panel that still gets the keys looks again.
constexpr int kResignLookAgainMs = 100;
// How long a panel that asked for the keys back waits for the window manager's answer.
constexpr int kKeysBackWaitMs = 500;

}  // namespace

PanelWindow::PanelWindow(PanelDesktop* desktop, bool translucent)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      desktop_(desktop),
      translucent_(translucent) {
    setFocusPolicy(Qt::StrongFocus);
    resignCheck_.setSingleShot(true);
    QObject::connect(&resignCheck_, &QTimer::timeout, this, [this] { confirmResign(); });
}

PanelWindow::~PanelWindow() {
    if (filtering_) qApp->removeEventFilter(this);
}

void PanelWindow::setContent(QWidget* content) {
    delete content_;
    content_ = content;
    content_->setParent(this);
    placeContent();
    content_->show();
}

void PanelWindow::setRoundedContent(double radius) {
    cornerRadius_ = radius;
    placeContent();
}

void PanelWindow::placeContent() {
    const int margin = shadowDrawn_ ? int(PanelShadow::kMargin) : 0;
    const QRect inner = rect().adjusted(margin, margin, -margin, -margin);
    if (content_) content_->setGeometry(inner);
    if (!cornerRadius_) return;
    if (shadowDrawn_) {
        clearMask();
    } else {
        // Rounded corners without a compositor: cut the window to the content's shape.
        QPainterPath path;
        path.addRoundedRect(inner, *cornerRadius_, *cornerRadius_);
        setMask(QRegion(path.toFillPolygon().toPolygon()));
    }
}

void PanelWindow::paintEvent(QPaintEvent* event) {
    if (!shadowDrawn_ || !content_) return QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    const double radius = *cornerRadius_;
    // Only around the content: under its translucent fill the shadow would darken it.
    QPainterPath outside, contentShape;
    outside.addRect(rect());
    contentShape.addRoundedRect(QRectF(content_->geometry()), radius, radius);
    painter.setClipPath(outside.subtracted(contentShape));
    const QRectF lit = QRectF(content_->geometry()).translated(0, PanelShadow::kOffsetY);
    painter.fillPath(contentShape.translated(0, PanelShadow::kOffsetY),
                     QColor(0, 0, 0, int(255 * PanelShadow::alpha(0))));
    // One ring per point of distance, each as dark as the shadow is there.
    for (int d = 0; d < int(PanelShadow::kBlur); ++d) {
        painter.setPen(QPen(QColor(0, 0, 0, int(255 * PanelShadow::alpha(d + 0.5))), 1));
        const double out = d + 0.5;
        painter.drawRoundedRect(lit.adjusted(-out, -out, out, out), radius + out, radius + out);
    }
}

Rect PanelWindow::drawnFrame() const {
    const QRect inside = content_ ? content_->geometry() : rect();
    const QPoint corner = mapToGlobal(inside.topLeft());
    return Rect(corner.x(), corner.y(), inside.width(), inside.height());
}

bool PanelWindow::animatesFades() const {
    return desktop_ && desktop_->compositorRunning();
}

void PanelWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeContent();
}

void PanelWindow::chooseSurface() {
    // Only a compositor blends: without one the window has no use for an alpha channel, and
    // fluxbox, once the outputs went off and on again, no longer frames a window that has one
    // (it stays at the screen's corner; see `leftUnframed` for the same beside a compositor).
    const bool alpha = translucent_ && !opaqueOnly_ && animatesFades();
    if (testAttribute(Qt::WA_TranslucentBackground) == alpha || QWidget::isVisible()) return;
    setAttribute(Qt::WA_TranslucentBackground, alpha);
    // The visual is chosen when the native window is made: a new one for the new surface.
    if (testAttribute(Qt::WA_WState_Created)) destroy();
}

void PanelWindow::show(const Rect& frame) {
    chooseSurface();
    if (desktop_) {
        const auto active = desktop_->activeWindow();
        // Showing again while shown keeps the window that had the focus before the first show.
        if (!QWidget::isVisible()) previousFocus_ = active;
        const auto window = std::uint32_t(winId());
        desktop_->preparePanel(window, true);
        // Only a window manager that may leave it unframed needs watching.
        if (testAttribute(Qt::WA_TranslucentBackground) &&
            !desktop_->framesTranslucentAfterOutputsChange())
            desktop_->watchFraming(window, [this, window] {
                QMetaObject::invokeMethod(
                    this, [this, window] { leftUnframed(window); }, Qt::QueuedConnection);
            });
    }
    // A compositor that started or stopped since the last show changes the window's frame.
    shadowDrawn_ = cornerRadius_ && testAttribute(Qt::WA_TranslucentBackground);
    shownFrame_ = frame;
    const Rect outer = PanelShadow::windowFrame(frame, shadowDrawn_);
    const QRect geometry(int(outer.x), int(outer.y), int(outer.width), int(outer.height));
    setGeometry(geometry);
    placeContent();
    if (!filtering_) {
        qApp->installEventFilter(this);
        filtering_ = true;
    }
    if (onTakesFocus) onTakesFocus();
    QWidget::show();
    // The window manager may have placed it by its own rules.
    if (this->geometry() != geometry) setGeometry(geometry);
    raise();
    activateWindow();
    if (desktop_) desktop_->activate(std::uint32_t(winId()));
    if (content_) content_->setFocus();
}

void PanelWindow::leftUnframed(std::uint32_t window) {
    if (window != std::uint32_t(winId()) || !QWidget::isVisible() || opaqueOnly_) return;
    static const Logger log = makeLogger("Panels");
    log.info("Panel shown again without translucency: the window manager left it unframed");
    opaqueOnly_ = true;
    const auto focusBefore = previousFocus_;
    takeDown();
    show(shownFrame_);
    previousFocus_ = focusBefore;
    setAlpha(alpha_);
    // The window manager hands the keys on as the old window goes: they come back to the new one.
    keysAskedBackUntil_ = QDeadlineTimer(kKeysBackWaitMs);
}

void PanelWindow::orderOut(bool giveFocusBack) {
    const bool wasShown = QWidget::isVisible();
    takeDown();
    if (wasShown && giveFocusBack && desktop_ && previousFocus_)
        desktop_->activate(*previousFocus_);
    previousFocus_.reset();
}

void PanelWindow::orderOutFocusing(WindowID window) {
    // The chosen window has the focus before the panel goes: a panel that still had it when it
    // went would leave the window manager to fall back to some other window, perhaps after it
    // handled our request.
    constexpr double kFocusWait = 0.25;
    if (desktop_ && QWidget::isVisible())
        desktop_->activateAndWait(std::uint32_t(window), kFocusWait);
    takeDown();
    previousFocus_.reset();
}

bool PanelWindow::takeKeysBack() {
    if (!QWidget::isVisible()) return false;
    if (isActiveWindow() && desktop_ && desktop_->keyboardFocus() == std::uint32_t(winId()))
        return true;
    static const Logger log = makeLogger("Panels");
    log.info("Panel takes the keys back");
    // A deactivation on its way, or one Qt reports a moment later, waits for the answer.
    keysAskedBackUntil_ = QDeadlineTimer(kKeysBackWaitMs);
    if (resignCheck_.isActive()) resignCheck_.start(kResignLookAgainMs);
    activateWindow();
    if (desktop_) desktop_->activate(std::uint32_t(winId()));
    return true;
}

void PanelWindow::takeDown() {
    resignCheck_.stop();
    keysAskedBackUntil_ = QDeadlineTimer();
    if (filtering_) {
        qApp->removeEventFilter(this);
        filtering_ = false;
    }
    if (fade_) fade_->stop();
    hide();
}

Rect PanelWindow::mainScreenVisibleFrame() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    const QRect r = screen->availableGeometry();
    return {double(r.x()), double(r.y()), double(r.width()), double(r.height())};
}

void PanelWindow::setAlpha(double alpha) {
    alpha_ = alpha;
    // Without a compositor X cannot blend: the panel is either there or not.
    setWindowOpacity(animatesFades() ? alpha : 1.0);
}

void PanelWindow::fadeAlpha(double alpha, double seconds, std::function<void()> completion) {
    if (fade_) fade_->stop();
    if (!animatesFades() || seconds <= 0) {
        setAlpha(alpha);
        if (completion) completion();
        return;
    }
    fade_ = std::make_unique<QVariantAnimation>();
    fade_->setStartValue(alpha_);
    fade_->setEndValue(alpha);
    fade_->setDuration(int(seconds * 1000));
    QObject::connect(fade_.get(), &QVariantAnimation::valueChanged, this,
                     [this](const QVariant& value) { setAlpha(value.toDouble()); });
    QVariantAnimation* animation = fade_.get();
    QObject::connect(animation, &QVariantAnimation::finished, this,
                     [this, alpha, completion = std::move(completion)] {
                         setAlpha(alpha);
                         if (completion) completion();
                     });
    animation->start();
}

PanelKey PanelWindow::panelKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Left:
            return PanelKey::left;
        case Qt::Key_Right:
            return PanelKey::right;
        case Qt::Key_Up:
            return PanelKey::up;
        case Qt::Key_Down:
            return PanelKey::down;
        case Qt::Key_Return:
            return PanelKey::returnKey;
        case Qt::Key_Enter:
            return PanelKey::keypadEnter;
        case Qt::Key_Escape:
            return PanelKey::escape;
        default:
            return PanelKey::other;
    }
}

bool PanelWindow::isInside(QObject* object) const {
    for (QObject* o = object; o; o = o->parent())
        if (o == this) return true;
    return false;
}

bool PanelWindow::eventFilter(QObject* watched, QEvent* event) {
    // A key passed on reaches the filter again on its way up to the parents; handling is
    // decided at the first receiver and an unhandled key changes nothing.
    if (event->type() == QEvent::KeyPress && onKey && isInside(watched))
        return onKey(panelKey(static_cast<QKeyEvent*>(event)->key()));
    return QWidget::eventFilter(watched, event);
}

bool PanelWindow::event(QEvent* event) {
    // Judged once the events queued with it are handled: Qt ends the focus-out grace period of
    // another window of ours late and then deactivates this one on the way to activating it
    // again, in one go.
    if (event->type() == QEvent::WindowDeactivate && QWidget::isVisible() && onResign)
        resignCheck_.start(0);
    return QWidget::event(event);
}

void PanelWindow::confirmResign() {
    if (!QWidget::isVisible() || !onResign || isActiveWindow()) return;
    // The keys tell: the window manager may name another window active a moment before or
    // after the focus moves.
    const auto focus = desktop_ ? desktop_->keyboardFocus() : std::nullopt;
    if (focus == std::uint32_t(winId()) || !keysAskedBackUntil_.hasExpired()) {
        // The keys still come here, so Qt missed an activation: the panel stays until they go
        // to another window.
        resignCheck_.start(kResignLookAgainMs);
        return;
    }
    static const Logger log = makeLogger("Panels");
    log.info("Panel closes: the keys went to window 0x%x", unsigned(focus.value_or(0)));
    onResign();
}

}  // namespace brindlow
