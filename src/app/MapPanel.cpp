#include "app/MapPanel.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "map/MapObjects.h"

namespace ter5::app {

MapPanel::MapPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MapPanel"));
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void MapPanel::SetMapView(QWidget* view) {
    if (view_) delete view_;
    view_ = view;
    if (view_) layout()->addWidget(view_);
    update();
}

void MapPanel::ShowObjects(const map::TArrObjects* objects, std::optional<std::int32_t> currentCode) {
    objects_ = objects;
    currentCode_ = currentCode;
    update();
}

void MapPanel::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (view_ || !objects_ || objects_->Polys.empty()) return;
    const double width = objects_->MaxY - objects_->MinY;
    const double height = objects_->MaxX - objects_->MinX;
    if (width <= 0.0 || height <= 0.0) return;

    // Survey coordinates: Y to the east (right), X to the north (up).
    const QRectF area = QRectF(rect()).adjusted(10, 10, -10, -10);
    const double scale = std::min(area.width() / width, area.height() / height);
    const double left = area.center().x() - width * scale / 2.0;
    const double top = area.center().y() - height * scale / 2.0;
    const auto toScreen = [&](double y, double x) {
        return QPointF(left + (y - objects_->MinY) * scale, top + (objects_->MaxX - x) * scale);
    };

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const map::TArrPoly& poly : objects_->Polys) {
        QPainterPath outline;
        bool first = true;
        for (const map::TArrPoint& point : objects_->Points(poly)) {
            const QPointF p = toScreen(point.Y, point.X);
            if (first) outline.moveTo(p);
            else outline.lineTo(p);
            first = false;
        }
        const bool current = currentCode_ && *currentCode_ == poly.Code;
        painter.setBrush(current ? QBrush(QColor(255, 0, 0, 90)) : Qt::NoBrush);
        painter.setPen(QPen(current ? Qt::red : Qt::black, current ? 1.5 : 0.8));
        painter.drawPath(outline);
    }
}

}  // namespace ter5::app
