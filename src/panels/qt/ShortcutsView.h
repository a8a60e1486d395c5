#pragma once

#include <QWidget>

#include "panels/ShortcutsPanelController.h"

namespace brindlow {

// The keyboard-shortcut sheet's content: the title, three columns of the guide and the gesture
// lines, on a dark rounded panel. Rebuilt for every opening. Main thread.
class ShortcutsView final : public QWidget, public ShortcutsSheetView {
  public:
    static constexpr int kCornerRadius = 16;

    explicit ShortcutsView(QWidget* parent = nullptr);

    Size setContent(const ShortcutsSheetContent& content) override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QWidget* body_ = nullptr;
};

}  // namespace brindlow
