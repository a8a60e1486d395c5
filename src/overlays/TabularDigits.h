#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

class QPainter;
class QPointF;

namespace brindlow {

// Numbers that change in place ("3 of 7", "Screen 1280 pt") would jitter with proportional
// digits. Each digit is drawn centred in a cell as wide as the font's widest digit; other
// characters keep their own advance.
double tabularWidth(const QFont& font, const QString& text);
// Draws the text with its baseline starting at `origin`, in the painter's pen.
void drawTabular(QPainter& painter, const QPointF& origin, const QFont& font, const QString& text);

// A one-line label drawn with tabular digits in its palette's window-text colour, left aligned
// and vertically centred.
class TabularLabel final : public QWidget {
  public:
    TabularLabel();
    void setText(const QString& text);
    const QString& text() const { return text_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    QString text_;
};

}  // namespace brindlow
