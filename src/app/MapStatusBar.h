#pragma once
// The status bar `MapStatusBar`: seven panels of 80, 150, 100, 100, 80, 80 and 50
// pixels (scale, visible extent, cursor X and Y; the others stay empty) and, while
// a long operation runs, the two progress strips right of the sixth panel
// (`ShowProgress`), erased by the refresh at its end (ClearProgress). Right of the
// panels a message shows for a while what a command did (ShowTransientMessage).

#include <QStatusBar>
#include <QVector>

class QLabel;
class QTimer;

namespace ter5::map {
class StatusProgressOverlay;
}

namespace ter5::app {

class MapStatusBar : public QStatusBar {
    Q_OBJECT

public:
    static constexpr int kPanelCount = 7;
    static constexpr int kPanelWidths[kPanelCount] = {80, 150, 100, 100, 80, 80, 50};

    explicit MapStatusBar(QWidget* parent = nullptr);

    QLabel* Panel(int index) const { return panels_.value(index); }
    void SetPanelText(int index, const QString& text);

    // Shows the progress strips for the two fractions (0..1) and paints them at
    // once when they grew by a pixel since the last call.
    void ShowProgress(double upper, double lower);
    // The refresh that removes the strips.
    void ClearProgress();
    bool ProgressShown() const { return progressShown_; }

    // Where the strip area starts: the right edge of the sixth panel as laid out.
    int FixedPanelsWidth() const;

    // Shows `text` right of the panels for `milliseconds`, then removes it; the
    // panels keep what they show.
    void ShowTransientMessage(const QString& text, int milliseconds = kTransientMessageMilliseconds);
    QString TransientMessage() const;

    static constexpr int kTransientMessageMilliseconds = 15000;

private:
    QVector<QLabel*> panels_;
    QLabel* message_ = nullptr;
    QTimer* messageTimer_ = nullptr;
    map::StatusProgressOverlay* overlay_ = nullptr;
    bool progressShown_ = false;
    double upper_ = 0.0;
    double lower_ = 0.0;
};

}  // namespace ter5::app
