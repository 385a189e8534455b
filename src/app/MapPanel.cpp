#include "app/MapPanel.h"

#include <QLayout>
#include <QVBoxLayout>

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
    delete view_;
    view_ = view;
    if (view_) layout()->addWidget(view_);
    update();
}

}  // namespace ter5::app
