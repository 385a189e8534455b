#pragma once
// The scale panels of the status bar and the scale box follow every change of the scale
// and of the page size, whatever made it: a zoom command, a zoom rectangle, view-all, a
// fitted parcel, a resize of the window. After each drawing the map asks for the texts
// and shows them when they differ from those on show.

#include <optional>

#include "map/Viewport.h"

namespace ter5::map {

class ScaleStatusFollower {
public:
    // After a drawing at `view`: its scale texts (the cursor panels left as they are) when
    // they differ from the texts on show; none when they are the same.
    std::optional<ScaleStatus> AfterDrawing(const Viewport& view);
    // Texts shown by other means, with the cursor panels (the zoom commands).
    void Shown(const ScaleStatus& status);

private:
    std::optional<ScaleStatus> shown_;
};

}  // namespace ter5::map
