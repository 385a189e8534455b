#pragma once
// The status bar `MapStatusBar`: seven panels of 80, 150, 100, 100, 80, 80 and 50
// pixels (scale, visible extent, cursor X and Y; the others stay empty) and, while
// a long operation runs, the two progress strips right of the sixth panel
// (`ShowProgress`).

#include <QStatusBar>
#include <QVector>

class QLabel;

namespace ter5::app {

class MapStatusBar : public QStatusBar {
    Q_OBJECT

public:
    static constexpr int kPanelCount = 7;
    static constexpr int kPanelWidths[kPanelCount] = {80, 150, 100, 100, 80, 80, 50};

    explicit MapStatusBar(QWidget* parent = nullptr);

    QLabel* Panel(int index) const { return panels_.value(index); }
    void SetPanelText(int index, const QString& text);

    // Shows the progress strips for the two fractions (0..1) and paints at once.
    void ShowProgress(double upper, double lower);
    // Removes the strips.
    void ClearProgress();
    bool ProgressShown() const { return progressShown_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVector<QLabel*> panels_;
    bool progressShown_ = false;
    double upper_ = 0.0;
    double lower_ = 0.0;
};

}  // namespace ter5::app
