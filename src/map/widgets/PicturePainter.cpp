#include "map/widgets/PicturePainter.h"

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QFontDatabase>
#include <QPen>
#include <QRectF>
#include <QString>

#include <algorithm>
#include <cstdlib>
#include <cmath>

#include "map/Rounding.h"
#include "map/TextMetrics.h"

namespace ter5::map {

namespace {

// Characters below this are controls and draw nothing.
constexpr char32_t kFirstPrintable = 0x20;

QColor ToQColor(const PictureColour& c) { return QColor(c.Red, c.Green, c.Blue); }

// A page point as the nearest picture pixel.
QPoint ToPixel(const PicturePoint& p, double ppx, double ppy) {
    return QPoint(static_cast<int>(RoundToInt64Fast(p.x / ppx)), static_cast<int>(RoundToInt64Fast(-p.y / ppy)));
}

// A pen's width in pixels, at least one.
double PenPixels(const PicturePen& pen, const Picture& picture) {
    const double ppx = picture.PagePerPixelX();
    return ppx > 0 ? std::max(1.0, std::round(pen.Width / ppx)) : 1.0;
}

// One-pixel lines of one opaque colour straight into the painter's image, when it is a
// plain 32-bit image painted without transform or clip: a district's outlines are a quarter
// of a million short lines, and QPainter spends a microsecond and more on each call.
// Bresenham's lines, every pixel from end to end; false (nothing drawn) for any other device.
bool DrawThinLines(QPainter& painter, const QVector<QLine>& lines, QRgb ink) {
    QPaintDevice* device = painter.device();
    if (device == nullptr || device->devType() != QInternal::Image) return false;
    auto* image = static_cast<QImage*>(device);
    const QImage::Format format = image->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied) {
        return false;
    }
    if (!painter.transform().isIdentity() || painter.hasClipping() || painter.opacity() != 1.0) return false;
    const int width = image->width();
    const int height = image->height();
    const qsizetype stride = image->bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    QRgb* bits = reinterpret_cast<QRgb*>(image->bits());
    const QRgb kInk = ink | 0xFF000000;  // opaque
    for (const QLine& line : lines) {
        int x = line.x1(), y = line.y1();
        const int dx = std::abs(line.x2() - x), sx = x < line.x2() ? 1 : -1;
        const int dy = -std::abs(line.y2() - y), sy = y < line.y2() ? 1 : -1;
        int error = dx + dy;
        for (;;) {
            if (x >= 0 && y >= 0 && x < width && y < height) bits[y * stride + x] = kInk;
            if (x == line.x2() && y == line.y2()) break;
            const int twice = 2 * error;
            if (twice >= dy) {
                error += dy;
                x += sx;
            }
            if (twice <= dx) {
                error += dx;
                y += sy;
            }
        }
    }
    return true;
}

}  // namespace

QStringList PicturePainter::SubstituteFamilies() {
    // Liberation Sans has Arial's metrics, so labels fill the room the picture gave them.
    return {QStringLiteral("Arial Cyr"), QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
            QStringLiteral("DejaVu Sans")};
}

void PicturePainter::Paint(QPainter& painter, const Picture& picture) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, antialias_);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setBackgroundMode(Qt::TransparentMode);
    pen_ = {};
    brush_ = {};
    for (const PictureOp& op : picture.Ops()) {
        switch (op.Kind) {
        case PictureOpKind::Pen: pen_ = picture.Pens()[op.First]; break;
        case PictureOpKind::Brush: brush_ = picture.Brushes()[op.First]; break;
        case PictureOpKind::Font:
            FlushText(painter);
            SelectFont(picture.Fonts()[op.First]);
            break;
        case PictureOpKind::Text:
            // Text is black: lines of another colour queued before it go first.
            if (queuedColour_ != kBlack) FlushLines(painter);
            QueueText(picture, picture.Texts()[op.First]);
            break;
        default:
            if (op.Kind == PictureOpKind::Polyline && !antialias_) {
                // Lines of another colour than black keep their place among the labels.
                if (pen_.Colour != kBlack) FlushText(painter);
                QueueLines(painter, picture, op);
            } else {
                if (PaintsNonBlack(op.Kind)) {
                    FlushLines(painter);
                    FlushText(painter);
                } else if (queuedColour_ != kBlack) {
                    FlushLines(painter);
                }
                Figure(painter, picture, op);
            }
        }
    }
    FlushLines(painter);
    FlushText(painter);
    painter.restore();
}

bool PicturePainter::PaintsNonBlack(PictureOpKind kind) const {
    if (pen_.Colour != kBlack) return true;
    return kind != PictureOpKind::Polyline && brush_.Style != BrushStyle::Clear;
}

void PicturePainter::SelectFont(const PictureFont& font) {
    if (font == font_ && rawFont_.isValid()) return;
    font_ = font;
    QFont qfont;
    qfont.setFamilies(SubstituteFamilies());
    qfont.setStyleHint(QFont::SansSerif);
    qfont.setPixelSize(std::max(1, font.PixelSize));
    rawFont_ = QRawFont::fromFont(qfont, QFontDatabase::Cyrillic);
    ascent_ = std::round(rawFont_.ascent());
    glyphs_.clear();
    asciiKnown_.fill(false);
}

const PicturePainter::Glyph& PicturePainter::GlyphOf(char32_t c) {
    if (c < asciiGlyphs_.size() && asciiKnown_[c]) return asciiGlyphs_[c];
    if (c >= asciiGlyphs_.size()) {
        const auto it = glyphs_.constFind(c);
        if (it != glyphs_.constEnd()) return *it;
    }
    Glyph glyph;
    const QString text = QString::fromUcs4(&c, 1);
    const QVector<quint32> indexes = rawFont_.glyphIndexesForString(text);
    if (!indexes.isEmpty()) {
        glyph.Index = indexes.front();
        const QVector<QPointF> advances = rawFont_.advancesForGlyphIndexes(indexes);
        // Whole-pixel advances, as a hinted screen font lays text out: every glyph then sits
        // on a pixel and is drawn from one cached image.
        if (!advances.isEmpty()) glyph.Advance = std::round(advances.front().x());
    }
    if (c < asciiGlyphs_.size()) {
        asciiKnown_[c] = true;
        return asciiGlyphs_[c] = glyph;
    }
    return *glyphs_.insert(c, glyph);
}

void PicturePainter::QueueText(const Picture& picture, const PictureText& text) {
    if (!rawFont_.isValid()) return;
    const std::string_view utf8 = picture.TextOf(text);
    const qsizetype first = queuedGlyphs_.size();
    qreal width = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t c = NextUtf8CodePoint(utf8, pos);
        if (c < kFirstPrintable) continue;
        const Glyph& glyph = GlyphOf(c);
        queuedGlyphs_.push_back(glyph.Index);
        queuedPositions_.push_back(QPointF(width, 0));
        width += glyph.Advance;
    }
    // Centred on X (on whole pixels, as the Windows map draws it), baseline one ascent
    // below the top edge Y.
    const QPointF origin(std::round(text.X - width / 2), text.Y + ascent_);
    for (qsizetype i = first; i < queuedPositions_.size(); ++i) queuedPositions_[i] += origin;
}

void PicturePainter::FlushText(QPainter& painter) {
    if (queuedGlyphs_.isEmpty()) return;
    QGlyphRun run;
    run.setRawFont(rawFont_);
    run.setGlyphIndexes(queuedGlyphs_);
    run.setPositions(queuedPositions_);
    painter.setPen(Qt::black);
    painter.drawGlyphRun(QPointF(0, 0), run);
    queuedGlyphs_.clear();
    queuedPositions_.clear();
}

void PicturePainter::UsePenAndBrush(QPainter& painter, const Picture& picture) {
    QPen pen(ToQColor(pen_.Colour));
    pen.setWidthF(PenPixels(pen_, picture));
    pen.setCosmetic(true);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    switch (brush_.Style) {
    case BrushStyle::Solid: painter.setBrush(ToQColor(brush_.Colour)); break;
    case BrushStyle::DiagonalHatch: painter.setBrush(QBrush(ToQColor(brush_.Colour), Qt::BDiagPattern)); break;
    case BrushStyle::Clear: painter.setBrush(Qt::NoBrush); break;
    }
}

void PicturePainter::QueueLines(QPainter& painter, const Picture& picture, const PictureOp& op) {
    const double ppx = picture.PagePerPixelX();
    const double ppy = picture.PagePerPixelY();
    if (ppx <= 0 || ppy <= 0) return;
    const double width = PenPixels(pen_, picture);
    if (width != queuedPenWidth_ || pen_.Colour != queuedColour_) FlushLines(painter);
    queuedPenWidth_ = width;
    queuedColour_ = pen_.Colour;
    const auto points = picture.PointsOf(op);
    const qsizetype first = queuedLines_.size();
    QPoint previous = ToPixel(points[0], ppx, ppy);
    for (std::size_t i = 1; i < points.size(); ++i) {
        const QPoint next = ToPixel(points[i], ppx, ppy);
        if (next == previous) continue;  // a side shorter than a pixel
        queuedLines_.push_back(QLine(previous, next));
        previous = next;
    }
    if (queuedLines_.size() == first) queuedLines_.push_back(QLine(previous, previous));  // a dot
}

void PicturePainter::FlushLines(QPainter& painter) {
    if (queuedLines_.isEmpty()) return;
    const QColor colour = ToQColor(queuedColour_);
    if (queuedPenWidth_ == 1.0 && DrawThinLines(painter, queuedLines_, colour.rgb())) {
        queuedLines_.clear();
        return;
    }
    QPen pen(colour);
    pen.setWidthF(queuedPenWidth_);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.drawLines(queuedLines_);
    queuedLines_.clear();
}

void PicturePainter::Figure(QPainter& painter, const Picture& picture, const PictureOp& op) {
    const double ppx = picture.PagePerPixelX();
    const double ppy = picture.PagePerPixelY();
    if (ppx <= 0 || ppy <= 0) return;
    UsePenAndBrush(painter, picture);
    const auto points = picture.PointsOf(op);
    if (op.Kind == PictureOpKind::Rectangle || op.Kind == PictureOpKind::Ellipse) {
        const QRectF box = QRectF(QPointF(points[0].x / ppx, -points[0].y / ppy),
                                  QPointF(points[1].x / ppx, -points[1].y / ppy)).normalized();
        if (op.Kind == PictureOpKind::Rectangle) {
            painter.drawRect(box);
        } else {
            painter.drawEllipse(box);
        }
        return;
    }
    const int count = static_cast<int>(points.size());
    if (antialias_) {
        pointsF_.resize(points.size());
        for (std::size_t i = 0; i < points.size(); ++i) pointsF_[i] = QPointF(points[i].x / ppx, -points[i].y / ppy);
        if (op.Kind == PictureOpKind::Polygon) {
            painter.drawPolygon(pointsF_.data(), count, Qt::OddEvenFill);
        } else {
            painter.drawPolyline(pointsF_.data(), count);
        }
        return;
    }
    // Whole pixels take the raster engine's fastest path.
    points_.resize(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) points_[i] = ToPixel(points[i], ppx, ppy);
    if (op.Kind == PictureOpKind::Polygon) {
        painter.drawPolygon(points_.data(), count, Qt::OddEvenFill);
    } else {
        painter.drawPolyline(points_.data(), count);
    }
}

}  // namespace ter5::map
