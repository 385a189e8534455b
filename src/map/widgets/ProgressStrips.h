#pragma once
// ShowProgress: the two progress strips painted into the status bar right of its six fixed
// panels while a base loads (upper strip) or a table is reindexed. The strips lie on a
// transparent overlay over the bar; the refresh at the end of the operation erases them.

#include <QWidget>

#include "map/MapLoader.h"

class QPainter;

namespace ter5::map {

// Paints the strips of LayoutProgressStrips: the upper one red (255, 128, 128), the lower
// one blue (134, 173, 213), solid, edges included as drawn.
void PaintProgressStrips(QPainter& painter, const ProgressStrips& strips);

// An overlay covering a status bar, transparent to the mouse, that shows the strips.
class StatusProgressOverlay : public QWidget {
    Q_OBJECT

public:
    // Covers `statusBar`, whose first six panels are `fixedPanelsWidth` pixels wide together.
    StatusProgressOverlay(QWidget* statusBar, int fixedPanelsWidth);

    // ShowProgress: paints the strips for the fractions at once, without waiting for the
    // event loop (the operations that report progress do not return to it meanwhile).
    void ShowProgress(double upper, double lower);
    // The refresh that removes the strips.
    void Clear();

    void SetFixedPanelsWidth(int width) { fixedPanelsWidth_ = width; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int fixedPanelsWidth_;
    double upper_ = 0;
    double lower_ = 0;
    bool shown_ = false;
};

}  // namespace ter5::map
