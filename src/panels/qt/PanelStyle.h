#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <string>

#include "platform/Image.h"

class QLabel;

namespace brindlow::PanelStyle {

// The materials stand for frosted glass, which blurs what lies behind it. Nothing blurs behind
// our windows here, and a thin plain fill lets the text of the windows below show through and
// fight the panel's own: so the fills are nearly opaque (and opaque without a compositor).
constexpr int kMaterialAlpha = 251;
// Behind the window search and the keyboard-shortcut sheet.
QColor frostedFill();
// Behind the overview's window tiles.
QColor regularMaterial();
QColor accent();
QColor primaryText();
QColor secondaryText();
QColor badgeRed();

QFont systemFont(double pointSize, bool bold = false);
QFont captionFont();
QFont monospaceFont();

inline QString text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

// An application icon as a pixmap of `side` × `side`; a named symbol or the empty image becomes
// a generic window drawing.
QPixmap iconPixmap(const Image& image, int side);

// A label that shows `text` as it is (never as markup) in `font`; an invalid colour keeps the
// window's own text colour.
QLabel* plainLabel(const QString& text, const QFont& font, const QColor& color = QColor());

}  // namespace brindlow::PanelStyle
