#include "Pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace rm {

namespace {

constexpr int kGlyphSize = 24;
const QColor kPageFill(255, 255, 255);
const QColor kPageEdge(96, 96, 96);
const QColor kFold(200, 200, 200);
const QColor kLine(0, 64, 216);
const QColor kTick(0, 150, 0);

// The rows of the three lines on the page (top pixel row of each 2-pixel line).
constexpr int kLineRows[3] = {6, 12, 18};

// A page of 17 x 21 pixels with a folded top-right corner, pixel art without smoothing.
void DrawPage(QPainter& p) {
    const int left = 2;
    const int top = 1;
    const int right = 18;
    const int bottom = 22;
    const int fold = 4;
    QPolygon outline;
    outline << QPoint(left, top) << QPoint(right - fold, top) << QPoint(right, top + fold)
            << QPoint(right, bottom) << QPoint(left, bottom);
    p.setPen(kPageEdge);
    p.setBrush(kPageFill);
    p.drawPolygon(outline);
    // The folded corner.
    QPolygon corner;
    corner << QPoint(right - fold, top) << QPoint(right - fold, top + fold)
           << QPoint(right, top + fold);
    p.setBrush(kFold);
    p.drawPolygon(corner);
}

void DrawLine(QPainter& p, int row) {
    p.fillRect(QRect(4, row, 6, 2), kLine);
}

// A tick two pixels thick, 7 wide and 6 high, whose lowest point is at (x + 2, row + 3).
void DrawTick(QPainter& p, int x, int row) {
    p.setPen(kTick);
    for (int dy = 0; dy < 2; ++dy) {
        p.drawLine(x, row + dy, x + 2, row + 2 + dy);
        p.drawLine(x + 2, row + 2 + dy, x + 6, row - 2 + dy);
    }
}

QImage BlankGlyph() {
    QImage img(kGlyphSize, kGlyphSize, QImage::Format_RGB32);
    img.fill(kGlyphKeyColour);
    return img;
}

enum class Mark { None, Tick, TickOnly };

QImage Glyph(const Mark (&marks)[3]) {
    QImage img = BlankGlyph();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    DrawPage(p);
    for (int i = 0; i < 3; ++i) {
        const int row = kLineRows[i];
        switch (marks[i]) {
            case Mark::None:
                DrawLine(p, row);
                break;
            case Mark::Tick:
                DrawLine(p, row);
                DrawTick(p, 11, row);
                break;
            case Mark::TickOnly:
                DrawTick(p, 4, row);
                break;
        }
    }
    return img;
}

QIcon IconOf(const QImage& raw) {
    return QIcon(QPixmap::fromImage(WithTransparentBackground(raw)));
}

}  // namespace

QImage SelAllGlyphRaw() {
    const Mark marks[3] = {Mark::Tick, Mark::Tick, Mark::Tick};
    return Glyph(marks);
}

QImage SelEmptyGlyphRaw() {
    const Mark marks[3] = {Mark::None, Mark::None, Mark::None};
    return Glyph(marks);
}

QImage SelInvertGlyphRaw() {
    const Mark marks[3] = {Mark::Tick, Mark::TickOnly, Mark::Tick};
    return Glyph(marks);
}

QImage WithTransparentBackground(const QImage& raw) {
    QImage img = raw.convertToFormat(QImage::Format_ARGB32);
    if (img.isNull()) {
        return img;
    }
    const QRgb key = img.pixel(0, img.height() - 1) | 0xff000000u;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if ((line[x] | 0xff000000u) == key) {
                line[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    return img;
}

QIcon SelAllIcon() {
    return IconOf(SelAllGlyphRaw());
}
QIcon SelEmptyIcon() {
    return IconOf(SelEmptyGlyphRaw());
}
QIcon SelInvertIcon() {
    return IconOf(SelInvertGlyphRaw());
}

// A price tag carrying a percent sign, with a green tick: goods, a rate, a change made.
QImage AppIconImage() {
    QImage img(32, 32, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);

    // The tag: a rounded body with a pointed left end and a hole.
    QPainterPath tag;
    tag.moveTo(2, 14);
    tag.lineTo(10, 5);
    tag.lineTo(27, 5);
    tag.quadTo(30, 5, 30, 8);
    tag.lineTo(30, 20);
    tag.quadTo(30, 23, 27, 23);
    tag.lineTo(10, 23);
    tag.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(QPointF(8.5, 14), 2, 2);
    p.setPen(QPen(QColor(120, 80, 10), 1.2));
    p.setBrush(QColor(250, 200, 60));
    p.drawPath(tag.subtracted(hole));

    // The percent sign.
    p.setPen(QPen(QColor(170, 20, 20), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(15, 20), QPointF(25, 8));
    p.setPen(QPen(QColor(170, 20, 20), 1.6));
    p.drawEllipse(QPointF(16, 10), 2.2, 2.2);
    p.drawEllipse(QPointF(24, 18), 2.2, 2.2);

    // The tick, bottom right, over the tag.
    QPainterPath tick;
    tick.moveTo(17, 26);
    tick.lineTo(21, 30);
    tick.lineTo(30, 20);
    p.setPen(QPen(QColor(255, 255, 255), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    p.setPen(QPen(QColor(0, 140, 0), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    p.end();
    return img;
}

QIcon AppIcon() {
    return QIcon(QPixmap::fromImage(AppIconImage()));
}

}  // namespace rm
