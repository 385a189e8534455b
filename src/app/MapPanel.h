#pragma once
// The map area `MapPanel`: a white panel that holds the map view. Until a map view
// is installed (SetMapView) the panel draws a plain preview of the loaded parcels:
// their outlines fitted into the panel, the current parcel filled.

#include <QWidget>
#include <cstdint>
#include <optional>

namespace ter5::map {
struct TArrObjects;
}

namespace ter5::app {

class MapPanel : public QWidget {
    Q_OBJECT

public:
    explicit MapPanel(QWidget* parent = nullptr);

    // Installs the map view that fills the panel (the panel takes ownership).
    void SetMapView(QWidget* view);
    QWidget* MapView() const { return view_; }

    // What the preview shows: the model (not owned) and the current parcel.
    void ShowObjects(const map::TArrObjects* objects, std::optional<std::int32_t> currentCode);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* view_ = nullptr;
    const map::TArrObjects* objects_ = nullptr;
    std::optional<std::int32_t> currentCode_;
};

}  // namespace ter5::app
