// The pictures of the window: the three 24 x 24 glyphs of the selection buttons and the
// application icon. All of them are drawn here in code; no image files are shipped.
#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>

namespace rm {

// The key colour of the button glyphs; it fills the background and is made transparent.
inline constexpr QRgb kGlyphKeyColour = qRgb(254, 0, 254);

// The glyphs as drawn, on the key-colour background (what a designer would save to a file).
QImage SelAllGlyphRaw();     // a page with three short blue lines, each followed by a green tick
QImage SelEmptyGlyphRaw();   // the same page with the three lines and no ticks
QImage SelInvertGlyphRaw();  // first and third line ticked, a tick alone in the middle line

// Every pixel of the lower-left pixel's colour becomes fully transparent.
QImage WithTransparentBackground(const QImage& raw);

// The glyphs ready for a button (transparent background).
QIcon SelAllIcon();
QIcon SelEmptyIcon();
QIcon SelInvertIcon();

// The 32 x 32 application icon.
QImage AppIconImage();
QIcon AppIcon();

}  // namespace rm
