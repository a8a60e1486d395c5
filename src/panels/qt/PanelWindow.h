#pragma once

#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "panels/PanelHost.h"

class QVariantAnimation;

namespace brindlow {

class PanelDesktop;

// A frameless panel window that the window manager manages, so that it really takes the
// keyboard focus: shown on every desktop, above other windows, out of the taskbar. While it is
// shown, every key pressed in it goes to `onKey` first (a handled key goes no further), and
// losing the focus to another window calls `onResign`. Main thread.
class PanelWindow final : public QWidget, public PanelHost {
  public:
    // `desktop` may be null (no window manager hints, no focus hand-back).
    explicit PanelWindow(PanelDesktop* desktop, bool translucent = true);
    ~PanelWindow() override;

    // Key handler: true when the key was handled.
    std::function<bool(PanelKey)> onKey;
    std::function<void()> onResign;
    // Called as the panel is about to take the focus.
    std::function<void()> onTakesFocus;

    // The one child that fills the panel.
    void setContent(QWidget* content);
    QWidget* content() const { return content_; }
    // Whether fades animate (a compositor blends windows).
    bool animatesFades() const;
    // Content with corners rounded by `radius`: where a compositor runs the corners stay
    // translucent and a soft shadow falls around the content; without one the window is cut to
    // the content's shape and has no shadow.
    void setRoundedContent(double radius);

    bool isVisible() const override { return QWidget::isVisible(); }
    bool isKey() const override { return isActiveWindow(); }
    void show(const Rect& frame) override;
    void orderOut(bool giveFocusBack) override;
    void orderOutFocusing(WindowID window) override;
    // Shown and without the keys, which another window took behind the user's back: asks for them
    // again, and a loss of the focus is judged only after that request; false when not shown.
    bool takeKeysBack();
    Rect mainScreenVisibleFrame() const override;
    // What is drawn of the panel, in global coordinates: its content, without the transparent
    // margin its shadow falls in (what the user sees as the panel's edge).
    Rect drawnFrame() const;
    void setAlpha(double alpha) override;
    double alpha() const override { return alpha_; }
    void fadeAlpha(double alpha, double seconds, std::function<void()> completion) override;

    static PanelKey panelKey(int qtKey);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    bool isInside(QObject* object) const;
    // Calls `onResign` when a deactivation turned out to be a real loss of the focus.
    void confirmResign();
    void takeDown();
    void placeContent();
    // A surface with an alpha channel while a compositor runs, an opaque one otherwise.
    void chooseSurface();
    // The window manager did not frame the translucent panel `window`: shown again, opaque for
    // good.
    void leftUnframed(std::uint32_t window);

    PanelDesktop* desktop_;
    bool translucent_;
    bool opaqueOnly_ = false;
    Rect shownFrame_;
    // Until then a deactivation waits for the keys this panel asked back.
    QDeadlineTimer keysAskedBackUntil_;
    QWidget* content_ = nullptr;
    std::optional<double> cornerRadius_;
    bool shadowDrawn_ = false;
    std::optional<std::uint32_t> previousFocus_;
    double alpha_ = 1;
    std::unique_ptr<QVariantAnimation> fade_;
    bool filtering_ = false;
    QTimer resignCheck_;
};

}  // namespace brindlow
