#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <string>

#include "overlays/Appearance.h"
#include "platform/Image.h"

class QLabel;

namespace brindlow::PanelStyle {

// The materials stand for frosted glass: nearly opaque, as the overlays' (and opaque without a
// compositor).
using brindlow::kMaterialAlpha;
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
