#include "map/widgets/InkShare.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <vector>

namespace ter5::map {

QImage ParcelAreaMask(const TArrObjects& objects, const Viewport& view) {
    QImage mask(static_cast<int>(view.ImageWidthPx()), static_cast<int>(view.ImageHeightPx()),
                QImage::Format_Grayscale8);
    mask.fill(0);
    if (mask.isNull() || view.PagePerPixelX <= 0.0 || view.PagePerPixelY <= 0.0) return mask;
    QPainter painter(&mask);
    painter.setPen(QPen(Qt::white, 0));
    painter.setBrush(Qt::white);
    std::vector<RingRange> rings;
    QPolygonF ring;
    for (const TArrPoly& poly : objects.Polys) {
        const auto points = objects.Points(poly);
        FindRings(points, rings);
        // The rings of a parcel together: a hole is no part of it.
        QPainterPath outline;
        outline.setFillRule(Qt::OddEvenFill);
        for (const RingRange& r : rings) {
            ring.clear();
            for (std::size_t i = r.Begin; i < r.End; ++i) {
                const PageIntPoint page = view.WorldToPage(points[i].Position());
                ring << QPointF(page.x / view.PagePerPixelX, -page.y / view.PagePerPixelY);
            }
            outline.addPolygon(ring);
            outline.closeSubpath();
        }
        painter.drawPath(outline);
    }
    return mask;
}

double DarkShare(const QImage& image, const QImage& mask, int below) {
    const QImage picture = image.convertToFormat(QImage::Format_RGB32);
    std::size_t inside = 0;
    std::size_t dark = 0;
    for (int y = 0; y < mask.height() && y < picture.height(); ++y) {
        const uchar* m = mask.constScanLine(y);
        const auto* p = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < mask.width() && x < picture.width(); ++x) {
            if (m[x] == 0) continue;
            ++inside;
            if (qGray(p[x]) < below) ++dark;
        }
    }
    return inside == 0 ? 0.0 : static_cast<double>(dark) / static_cast<double>(inside);
}

}  // namespace ter5::map
