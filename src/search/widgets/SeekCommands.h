#pragma once
// The main window's search commands "Найти ..." (Ctrl+F, tool button tbFind) and
// "Продолжение поиска" (Ctrl+N), and the search dialog they share: created on the
// first "Найти ..." and kept for the rest of the run, so Ctrl+N goes on stepping
// through the last hit list while the dialog is closed.
//
// The main window connects its nSeek and nSeekNext actions to nSeekClick and
// nSeekNextClick.

#include <QObject>
#include <QPoint>
#include <QSize>

class QWidget;

namespace ter5::search {

class SearchHost;
class TSeekRecord;

class SeekCommands : public QObject {
    Q_OBJECT

public:
    // `window` parents the dialog, which opens beside `map` (the main window's map
    // image) the first time; the host is not owned and must outlive this.
    SeekCommands(SearchHost& host, QWidget* window, QWidget* map = nullptr);

    // `nSeekClick`: with a base open, creates the dialog on first use and shows it
    // modally; with none, nothing.
    void nSeekClick();
    // `nSeekNextClick`: with a base open and the dialog created, enables its
    // find-next button exactly while a hit list is open and performs the step
    // without showing the dialog; otherwise nothing.
    void nSeekNextClick();

    // The dialog; nullptr until the first nSeekClick with a base open.
    TSeekRecord* SeekRecord() const { return seekRecord_; }

private:
    // Beside the map, on the screen the window is on (search/DialogPlacement.h).
    QPoint PlaceBesideMap(const QSize& dialog) const;

    SearchHost& host_;
    QWidget* window_;
    QWidget* map_;
    TSeekRecord* seekRecord_ = nullptr;
};

}  // namespace ter5::search
