#include "search/widgets/SeekCommands.h"

#include <QPushButton>

#include "search/SearchHost.h"
#include "search/widgets/TSeekRecord.h"

namespace ter5::search {

SeekCommands::SeekCommands(SearchHost& host, QWidget* window) : QObject(window), host_(host), window_(window) {}

void SeekCommands::nSeekClick() {
    if (!host_.BaseOpen()) return;
    if (!seekRecord_) seekRecord_ = new TSeekRecord(host_, window_);
    seekRecord_->exec();
}

void SeekCommands::nSeekNextClick() {
    if (!host_.BaseOpen() || !seekRecord_) return;
    seekRecord_->FindNext->setEnabled(seekRecord_->Search().HitListOpen());
    seekRecord_->FindNextClick();
}

}  // namespace ter5::search
