#include "map/ScaleStatusFollower.h"

namespace ter5::map {

std::optional<ScaleStatus> ScaleStatusFollower::AfterDrawing(const Viewport& view) {
    ScaleStatus status = view.UpdateScaleStatus({0.0, 0.0});
    if (shown_ && shown_->Scale == status.Scale && shown_->Zoom == status.Zoom && shown_->ScaleBox == status.ScaleBox)
        return std::nullopt;
    shown_ = status;
    return status;
}

void ScaleStatusFollower::Shown(const ScaleStatus& status) {
    shown_ = status;
}

}  // namespace ter5::map
