// Fixed dialog layouts: every window of the program is laid out in dialog units, which scale
// with the dialog font, so the same numbers give the same proportions whatever font and screen
// resolution the desktop has.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class QMenuBar;
class QWidget;

namespace rk::app {

// The dialog font of every window: "ＭＳ Ｐゴシック" 9 pt where it is installed, otherwise IPA P
// Gothic, which has the same metrics.
QFont dialogFont();

// Dialog units of one font. A horizontal unit is a quarter of the average width of the Latin
// letters, a vertical unit an eighth of the font height; conversions round to the nearest pixel.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int baseX() const { return baseX_; }
    int baseY() const { return baseY_; }
    int toPixelsX(int units) const;
    int toPixelsY(int units) const;
    QRect rect(int x, int y, int width, int height) const;
    QSize size(int width, int height) const;

private:
    int baseX_;
    int baseY_;
};

// Gives a dialog its font and a fixed client size in dialog units, with a title bar, system
// menu and close box but no minimise or maximise box. Returns the units for placing controls.
DialogUnits prepareFixedDialog(QWidget& dialog, int width, int height);

// Names a control after its id ("id1134"), which is how tests and scripts find it, and puts it
// at its place in dialog units.
void placeControl(QWidget& control, int id, const DialogUnits& units, int x, int y, int width, int height);

// Puts a menu bar across the top of a fixed dialog whose controls are already placed: the
// controls move down by the bar's height and the dialog grows by it, nothing else changes.
void addMenuBarAbove(QWidget& dialog, QMenuBar& bar);

} // namespace rk::app
