#pragma once

#include <memory>

#include "overlays/ToastController.h"

namespace brindlow {

// The toast's view: an orange split-window symbol, the bold title, the secondary detail and, when a
// window needs more width than the screen has, the size bar; 380 points wide, 14 points of padding,
// on a dark rounded background. Texts are shown as plain text, never as markup.
class ToastView final : public ToastPresentation {
  public:
    static constexpr int kWidth = 380;

    ToastView();
    ~ToastView() override;

    void setMessage(const ToastMessage& message) override;
    Size fittingSize() override;
    QWidget* widget() override;

  private:
    class Widget;
    Widget* view();

    ToastMessage message_;
    std::unique_ptr<Widget> widget_;
};

}  // namespace brindlow
