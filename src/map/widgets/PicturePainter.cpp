#include "map/widgets/PicturePainter.h"

#include <QBrush>
#include <QColor>
#include <QFontDatabase>
#include <QPen>
#include <QRectF>
#include <QString>

#include <algorithm>
#include <cmath>

#include "map/TextMetrics.h"

namespace ter5::map {

namespace {

// Characters below this are controls and draw nothing.
constexpr char32_t kFirstPrintable = 0x20;

QColor ToQColor(const PictureColour& c) { return QColor(c.Red, c.Green, c.Blue); }

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
        case PictureOpKind::Text: QueueText(picture, picture.Texts()[op.First]); break;
        default:
            if (PaintsNonBlack(op.Kind)) FlushText(painter);
            Figure(painter, picture, op);
        }
    }
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
}

const PicturePainter::Glyph& PicturePainter::GlyphOf(char32_t c) {
    auto it = glyphs_.find(c);
    if (it != glyphs_.end()) return *it;
    Glyph glyph;
    const QString text = QString::fromUcs4(&c, 1);
    const QVector<quint32> indexes = rawFont_.glyphIndexesForString(text);
    if (!indexes.isEmpty()) {
        glyph.Index = indexes.front();
        const QVector<QPointF> advances = rawFont_.advancesForGlyphIndexes(indexes);
        if (!advances.isEmpty()) glyph.Advance = advances.front().x();
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

void PicturePainter::Figure(QPainter& painter, const Picture& picture, const PictureOp& op) {
    const double ppx = picture.PagePerPixelX();
    const double ppy = picture.PagePerPixelY();
    if (ppx <= 0 || ppy <= 0) return;
    QPen pen(ToQColor(pen_.Colour));
    pen.setWidthF(std::max(1.0, std::round(pen_.Width / ppx)));
    pen.setCosmetic(true);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    switch (brush_.Style) {
    case BrushStyle::Solid: painter.setBrush(ToQColor(brush_.Colour)); break;
    case BrushStyle::DiagonalHatch: painter.setBrush(QBrush(ToQColor(brush_.Colour), Qt::BDiagPattern)); break;
    case BrushStyle::Clear: painter.setBrush(Qt::NoBrush); break;
    }

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
    for (std::size_t i = 0; i < points.size(); ++i) {
        points_[i] = QPoint(static_cast<int>(std::lround(points[i].x / ppx)),
                            static_cast<int>(std::lround(-points[i].y / ppy)));
    }
    if (op.Kind == PictureOpKind::Polygon) {
        painter.drawPolygon(points_.data(), count, Qt::OddEvenFill);
    } else {
        painter.drawPolyline(points_.data(), count);
    }
}

}  // namespace ter5::map
