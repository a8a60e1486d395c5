#pragma once

#include <QWidget>
#include <functional>
#include <optional>

#include "panels/OverviewController.h"
#include "platform/Image.h"

namespace brindlow {

// The overview's content: the dimmed backdrop, the display's name and position, one card per
// column with a tile per window, and the key hint. Click a card to choose it, drag it sideways
// to move its column. Main thread.
class OverviewView final : public QWidget {
  public:
    using IconSource = std::function<Image(std::int32_t pid)>;

    OverviewView(OverviewController& controller, IconSource icons, QWidget* parent = nullptr);

    // Where card `index` is drawn (before any drag offset); empty when there is no such card.
    QRect cardRect(int index) const;
    // Takes the model's new state: a row of cards wider than the panel scrolls to the selection.
    void modelChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    struct Layout {
        double scale = 0;
        QRect header;
        std::vector<QRect> cards;
        QRect hint;
        int overflow = 0;  // how much wider than the panel the row of cards is
    };
    Layout layout() const;
    int cardAt(QPoint point) const;
    static void plate(QPainter& painter, const QRect& text);
    void paintCard(QPainter& painter, const ColumnSnapshot& column, QRect card, double scale,
                   bool selected, bool focused) const;

    OverviewController& controller_;
    IconSource icons_;
    std::optional<int> pressed_;
    QPoint pressPoint_;
    std::optional<int> dragging_;
    double dragOffset_ = 0;
    int scroll_ = 0;  // of a row of cards wider than the panel
};

}  // namespace brindlow
