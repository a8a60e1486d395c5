#include "platform/x11/overlay/X11SurfaceFactory.h"

#include <QtGui/qguiapplication_platform.h>
#include <QBitmap>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Properties.h"
#include "platform/x11/overlay/SurfaceShadow.h"
#include "platform/x11/overlay/ToolkitFlush.h"
#include "platform/x11/overlay/X11Stacking.h"

namespace brindlow {

namespace {

xcb_connection_t* toolkitConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// Whole pixels: the origin and the far edges rounded, halves away from zero.
QRect pixelRect(const Rect& r) {
    const int left = int(std::round(r.minX()));
    const int top = int(std::round(r.minY()));
    return QRect(left, top, std::max(0, int(std::round(r.maxX())) - left),
                 std::max(0, int(std::round(r.maxY())) - top));
}

QColor toQColor(const Color& c) {
    return QColor::fromRgbF(float(c.red), float(c.green), float(c.blue), float(c.alpha));
}

// The top-level window: fills itself with the background colour and keeps the content widget
// at its own size.
class SurfaceWindow final : public QWidget {
  public:
    explicit SurfaceWindow(Qt::WindowFlags flags) : QWidget(nullptr, flags) {}
    // The content object owns its widget.
    ~SurfaceWindow() override {
        if (content_) content_->setParent(nullptr);
    }

    void setBackground(const QColor& color) {
        if (color == background_) return;
        background_ = color;
        update();
    }
    const QColor& background() const { return background_; }
    // Nothing but the background colour: every pixel the same, so the colour's alpha can be
    // the window's opacity instead of each pixel's.
    bool onlyColor() const { return !content_ && margin_ == 0 && background_.alpha() != 0; }
    void setContent(QWidget* content) {
        content_ = content;
        if (content_) {
            content_->setParent(this);
            content_->setGeometry(contentRect());
        }
    }

    // With a shadow the window reaches this far past the content on every side.
    int margin() const { return margin_; }
    void setMargin(int margin) {
        if (margin == margin_) return;
        margin_ = margin;
        if (content_) content_->setGeometry(contentRect());
        refreshShadow();
    }
    // The content's shape changed: the shadow follows it.
    void refreshShadow() {
        // Rendering the content delivers its pending resize events, which come back here.
        if (refreshing_) return;
        refreshing_ = true;
        shadow_ = QImage();
        // A resize delivered while rendering makes the drawing stale: draw once more.
        for (int attempt = 0; attempt < 2 && margin_ > 0 && !contentRect().isEmpty(); ++attempt) {
            QImage drawn(contentRect().size(), QImage::Format_ARGB32_Premultiplied);
            drawn.fill(background_.alpha() ? background_ : QColor(Qt::transparent));
            if (content_) content_->render(&drawn, QPoint(), QRegion(), QWidget::DrawChildren);
            shadow_ = SurfaceShadow::render(drawn);
            if (drawn.size() == contentRect().size()) break;
        }
        refreshing_ = false;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        if (background_.alpha() == 0 && shadow_.isNull()) return;
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        if (!shadow_.isNull()) painter.drawImage(QPoint(), shadow_);
        if (onlyColor()) {
            QColor opaque = background_;
            opaque.setAlpha(255);
            painter.fillRect(contentRect(), opaque);
        } else if (background_.alpha() != 0) {
            painter.fillRect(contentRect(), background_);
        }
    }
    void resizeEvent(QResizeEvent*) override {
        if (content_) content_->setGeometry(contentRect());
        if (margin_ > 0) refreshShadow();
    }

  private:
    QRect contentRect() const { return rect().adjusted(margin_, margin_, -margin_, -margin_); }

    QColor background_ = Qt::transparent;
    QWidget* content_ = nullptr;
    int margin_ = 0;
    QImage shadow_;
    bool refreshing_ = false;
};

}  // namespace

class X11SurfaceFactory::QtSurface final : public Surface {
  public:
    QtSurface(const SurfaceOptions& options, std::shared_ptr<SurfaceContent> content,
              X11Stacking& stacking, std::shared_ptr<std::vector<QtSurface*>> live)
        : content_(std::move(content)),
          stacking_(stacking),
          live_(std::move(live)),
          tier_(options.tier),
          shadow_(options.shadow) {
        Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint |
                                Qt::WindowDoesNotAcceptFocus;
        if (options.clickThrough) flags |= Qt::WindowTransparentForInput;
        window_ = std::make_unique<SurfaceWindow>(flags);
        window_->setAttribute(Qt::WA_ShowWithoutActivating);
        window_->setAttribute(Qt::WA_TranslucentBackground);
        window_->setAttribute(Qt::WA_DeleteOnClose, false);
        if (content_) window_->setContent(content_->widget());
        if (shadow_ && stacking_.compositing()) window_->setMargin(SurfaceShadow::kMargin);
        id_ = xcb_window_t(window_->winId());
        stacking_.add(id_, tier_);
        live_->push_back(this);
    }

    ~QtSurface() override {
        std::erase(*live_, this);
        stacking_.remove(id_);
    }

    Rect frame() const override { return frame_; }
    void setFrame(const Rect& frame) override {
        frame_ = frame;
        const int margin = window_->margin();
        const QRect pixels = pixelRect(frame).adjusted(-margin, -margin, margin, margin);
        if (pixels == window_->geometry()) return;
        const bool reshaped = pixels.size() != window_->size() || hole_ || !moreHoles_.empty();
        window_->setGeometry(pixels);
        if (reshaped) reshape();
    }

    double alpha() const override { return alpha_; }
    void setAlpha(double alpha) override {
        alpha_ = alpha;
        applyOpacity();
        applyMapping();
    }
    bool blends() const override { return stacking_.compositing(); }

    void setBackgroundColor(const Color& color) override {
        window_->setBackground(toQColor(color));
        applyOpacity();
        reshape();
    }
    void setHole(const std::optional<Rect>& hole) override {
        const std::optional<QRect> pixels = hole ? std::optional(pixelRect(*hole)) : std::nullopt;
        if (pixels == hole_) return;
        hole_ = pixels;
        reshape();
    }
    void setMoreHoles(const std::vector<Rect>& holes) override {
        std::vector<QRect> pixels;
        for (const Rect& hole : holes) pixels.push_back(pixelRect(hole));
        if (pixels == moreHoles_) return;
        moreHoles_ = std::move(pixels);
        reshape();
    }
    void redraw() override {
        window_->update();
        if (content_ && content_->widget()) content_->widget()->update();
        if (window_->margin() > 0) window_->refreshShadow();
        reshape();
    }

    bool isVisible() const override { return orderedIn_; }
    SurfaceTier tier() const override { return tier_; }
    void setTier(SurfaceTier tier) override {
        tier_ = tier;
        stacking_.setTier(id_, tier);
    }
    void orderFront() override {
        orderIn();
        stacking_.orderFront(id_);
    }
    bool orderAbove(std::uint32_t windowNumber) override {
        orderIn();
        return stacking_.orderAbove(id_, windowNumber);
    }
    bool orderBelow(std::uint32_t windowNumber) override {
        orderIn();
        return stacking_.orderBelow(id_, windowNumber);
    }
    void orderOut() override {
        orderedIn_ = false;
        applyMapping();
    }

    // The compositor came or went: blending and shapes follow.
    void compositingChanged() {
        applyOpacity();
        applyShadowMargin();
        reshape();
        // An ordered-in surface at alpha 0 is mapped only where it blends.
        applyMapping();
    }

  private:
    // Where a compositor blends, the window's opacity carries the surface's alpha, and for a
    // surface of one colour that colour's alpha too: some compositors draw a window opaque
    // whatever its pixels' alpha (KWin's OpenGL compositor on a software renderer), while every
    // one of them honours the window's opacity.
    void applyOpacity() {
        if (!stacking_.compositing()) return;
        double opacity = std::clamp(alpha_, 0.0, 1.0);
        if (window_->onlyColor()) opacity *= window_->background().alphaF();
        window_->setWindowOpacity(opacity);
    }

    // A shadow needs blending: without a compositor the window is only the content.
    void applyShadowMargin() {
        const int margin = shadow_ && stacking_.compositing() ? SurfaceShadow::kMargin : 0;
        if (margin == window_->margin()) return;
        window_->setMargin(margin);
        setFrame(Rect(frame_));
    }

    void orderIn() {
        if (!orderedIn_) {
            orderedIn_ = true;
            reshape();
        }
        applyMapping();
    }

    // Mapped while ordered in, unless nothing of it could be seen (without blending, nothing
    // below an alpha of 0.01 either).
    void applyMapping() {
        const bool blending = stacking_.compositing();
        const bool shown = orderedIn_ && !emptyShape_ && (blending || alpha_ >= 0.01);
        if (shown == window_->isVisible()) return;
        if (shown) {
            window_->show();
            stacking_.mapped(id_);
        } else {
            window_->hide();
            stacking_.unmapped(id_);
        }
    }

    // The window is cut to the pixels its content and background draw, less the holes, with a
    // compositor too: a compositor that draws the window opaque (whatever its pixels' alpha)
    // would otherwise paint the undrawn inside of a ring black.
    void reshape() {
        if (!orderedIn_ || window_->size().isEmpty()) return;
        QRegion hole = hole_ ? QRegion(hole_->translated(-window_->pos())) : QRegion();
        for (const QRect& more : moreHoles_) hole += more.translated(-window_->pos());
        const QRegion shape = drawnShape().subtracted(hole);
        emptyShape_ = shape.isEmpty();
        if (emptyShape_) {
            // An empty mask would be no mask at all: the window goes instead.
        } else if (shape == QRegion(window_->rect())) {
            if (!window_->mask().isEmpty()) window_->clearMask();
        } else {
            window_->setMask(shape);
        }
        applyMapping();
    }

    // The pixels the window draws: all of them for a window of one colour, else those its
    // rendering leaves visible: any alpha where a compositor blends (a faint shadow), at least
    // half where nothing blends (drawn opaque there).
    QRegion drawnShape() const {
        if (window_->onlyColor()) return QRegion(window_->rect());
        QImage image(window_->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        // Rendered through the previous shape, a surface could never grow past it.
        window_->render(&image, QPoint(), QRegion(), QWidget::DrawChildren | QWidget::IgnoreMask);
        if (!stacking_.compositing()) return QRegion(QBitmap::fromImage(image.createAlphaMask()));
        // Set bits are the drawn pixels; in a bitmap those are the black ones.
        QImage mask = image.createMaskFromColor(0, Qt::MaskOutColor);
        mask.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        return QRegion(QBitmap::fromImage(mask));
    }

    std::shared_ptr<SurfaceContent> content_;
    X11Stacking& stacking_;
    std::shared_ptr<std::vector<QtSurface*>> live_;
    std::unique_ptr<SurfaceWindow> window_;
    xcb_window_t id_ = XCB_WINDOW_NONE;
    SurfaceTier tier_;
    Rect frame_;
    double alpha_ = 1.0;
    bool orderedIn_ = false;
    bool emptyShape_ = false;
    std::optional<QRect> hole_;     // global pixels
    std::vector<QRect> moreHoles_;  // global pixels
    // Asked for a drop shadow, drawn while a compositor runs.
    bool shadow_ = false;
};

std::unique_ptr<X11SurfaceFactory> X11SurfaceFactory::open(X11Connection& events, Executor& main) {
    xcb_connection_t* requests = toolkitConnection();
    if (!requests) return nullptr;
    // The fades of surfaces and panels are steps of requests with no X event between them.
    flushToolkitRequestsBeforeEachWait();
    return std::make_unique<X11SurfaceFactory>(requests, events, main);
}

X11SurfaceFactory::X11SurfaceFactory(xcb_connection_t* requests, X11Connection& events,
                                     Executor& main)
    : events_(events),
      stacking_(std::make_unique<X11Stacking>(requests, events, main)),
      live_(std::make_shared<std::vector<QtSurface*>>()) {
    auto live = live_;
    // Before any other observer: surfaces blend (or are shaped) before their controllers look.
    stacking_->addCompositingObserver([live] {
        for (QtSurface* surface : std::vector<QtSurface*>(*live)) surface->compositingChanged();
    });
}

X11SurfaceFactory::~X11SurfaceFactory() = default;

std::unique_ptr<Surface> X11SurfaceFactory::makeSurface(const SurfaceOptions& options,
                                                        std::shared_ptr<SurfaceContent> content) {
    return std::make_unique<QtSurface>(options, std::move(content), *stacking_, live_);
}

bool X11SurfaceFactory::compositing() const {
    return stacking_->compositing();
}

ObserverToken X11SurfaceFactory::addCompositingObserver(std::function<void()> handler) {
    return stacking_->addCompositingObserver(std::move(handler));
}

void X11SurfaceFactory::removeCompositingObserver(ObserverToken token) {
    stacking_->removeCompositingObserver(token);
}

Decorations X11SurfaceFactory::decorations(WindowID window) {
    // left, right, top, bottom; a window without the property (or gone) has none.
    const std::vector<std::uint32_t> extents =
        readCardinals(events_, xcb_window_t(window), events_.ewmh()->_NET_FRAME_EXTENTS);
    if (extents.size() < 4) return {};
    return {double(extents[0]), double(extents[1]), double(extents[2]), double(extents[3])};
}

ObserverToken X11SurfaceFactory::addDesktopChangeObserver(std::function<void()> handler) {
    return stacking_->addDesktopChangeObserver(std::move(handler));
}

void X11SurfaceFactory::removeDesktopChangeObserver(ObserverToken token) {
    stacking_->removeDesktopChangeObserver(token);
}

}  // namespace brindlow
