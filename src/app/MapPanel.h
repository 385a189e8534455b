#pragma once
// The map area `MapPanel`: a white panel that holds the map image `MapImage` and
// lets it fill the panel, so panel and image pixels coincide.

#include <QWidget>

namespace ter5::app {

class MapPanel : public QWidget {
    Q_OBJECT

public:
    explicit MapPanel(QWidget* parent = nullptr);

    // Installs the map view that fills the panel (the panel takes ownership).
    void SetMapView(QWidget* view);
    QWidget* MapView() const { return view_; }

private:
    QWidget* view_ = nullptr;
};

}  // namespace ter5::app
