#pragma once

#include <QIcon>
#include <QImage>
#include <QRectF>
#include <QString>

class QPainter;

namespace brindlow {

// What the status item's title says, read from its text (" 3/5", " ‖", each maybe followed by
// " ●").
struct StatusIconState {
    QString position;  // "3/5", or empty
    bool paused = false;
    bool badge = false;
    friend bool operator==(const StatusIconState&, const StatusIconState&) = default;
};
StatusIconState statusIconState(const QString& title, bool appearsDisabled);

// The application's glyph: three columns of a strip on a dark rounded plate, the focused middle
// one in the focus border's blue. Fills `square`. The installed application icon is this drawing.
void drawAppGlyph(QPainter& painter, const QRectF& square);
// The application icon at `side` × `side` pixels.
QImage appIconImage(int side);

// The tray picture at `side` × `side` pixels, drawn for that size (trays give 16 to 32): the
// position in digits as large as fit below a band of the glyph, a pause sign on a lighter plate
// while paused, a red dot in the top right corner for a badge.
QImage statusIconImage(const StatusIconState& state, int side);
// The same from the title.
QImage statusIconImage(const QString& title, bool appearsDisabled, int side = 64);
// An icon that draws itself at whatever size the tray asks for (a tray may hand over a cell that
// is not square, 24 × 28 for one: the picture is the largest square, centred).
QIcon statusIcon(const StatusIconState& state);

}  // namespace brindlow
