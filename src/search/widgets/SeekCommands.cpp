#include "search/widgets/SeekCommands.h"

#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include "search/DialogPlacement.h"

#include "search/SearchHost.h"
#include "search/widgets/TSeekRecord.h"

namespace ter5::search {

SeekCommands::SeekCommands(SearchHost& host, QWidget* window, QWidget* map)
    : QObject(window), host_(host), window_(window), map_(map) {}

void SeekCommands::nSeekClick() {
    if (!host_.BaseOpen()) return;
    if (!seekRecord_) {
        seekRecord_ = new TSeekRecord(host_, window_);
        if (map_ && window_) seekRecord_->SetPlacement([this](const QSize& size) { return PlaceBesideMap(size); });
    }
    seekRecord_->exec();
}

QPoint SeekCommands::PlaceBesideMap(const QSize& dialog) const {
    const auto rect = [](const QRect& r) { return ScreenRect{r.left(), r.top(), r.width(), r.height()}; };
    const QScreen* screen = window_->screen();
    const QRect area = screen ? screen->availableGeometry() : window_->frameGeometry();
    const QRect map(map_->mapToGlobal(QPoint(0, 0)), map_->size());
    const ScreenRect placed = search::PlaceBesideMap(rect(area), rect(window_->frameGeometry()), rect(map),
                                                     ScreenRect{0, 0, dialog.width(), dialog.height()});
    return {placed.Left, placed.Top};
}

void SeekCommands::nSeekNextClick() {
    if (!host_.BaseOpen() || !seekRecord_) return;
    seekRecord_->FindNext->setEnabled(seekRecord_->Search().HitListOpen());
    seekRecord_->FindNextClick();
}

}  // namespace ter5::search
