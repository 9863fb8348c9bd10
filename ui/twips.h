// Twips, the unit of the form's layout table, and their conversion to Qt pixels.
//
// The layout is given in twips: 1440 to the inch, so 15 twips are one pixel on a 96 dpi
// screen. Qt widget coordinates are logical pixels, which Qt multiplies by the screen's
// device pixel ratio when it paints; a form laid out here at 15 twips per logical pixel keeps
// its proportions on high-density screens.
#pragma once

#include <QRect>
#include <QSize>

namespace kaveltar::ui {

inline constexpr int kTwipsPerPixel = 15;

// Twips to logical pixels, rounded to the nearest pixel.
constexpr int TwipsToPixels(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

inline QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
               TwipsToPixels(height));
}

inline QSize TwipsSize(int width, int height) {
  return QSize(TwipsToPixels(width), TwipsToPixels(height));
}

}  // namespace kaveltar::ui
