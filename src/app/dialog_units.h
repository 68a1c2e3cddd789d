// Window layouts are written in dialog units, which scale with the font: one
// horizontal unit is a quarter of the font's average character width, one
// vertical unit an eighth of its line height. The windows keep the same
// proportions whatever font the system gives us.
#pragma once

#include <QFont>
#include <QRect>

namespace qm {

// The font of both windows: VL PGothic at 9 points when it is installed,
// otherwise the first font that writes Japanese, otherwise the default font.
QFont ChooseDialogFont();

class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    // Average width of the 52 letters A-Z and a-z, in pixels.
    double averageCharWidth() const { return averageCharWidth_; }
    // Height of one line of text (ascent plus descent), in pixels.
    int lineHeight() const { return lineHeight_; }

    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    // Each edge is mapped on its own, so rectangles that touch in dialog
    // units still touch in pixels.
    QRect ToPixels(int x, int y, int width, int height) const;

  private:
    double averageCharWidth_;
    int lineHeight_;
};

}  // namespace qm
