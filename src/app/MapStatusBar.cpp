#include "app/MapStatusBar.h"

#include <QLabel>
#include <QTimer>
#include <algorithm>

#include "map/MapLoader.h"
#include "map/widgets/ProgressStrips.h"

namespace ter5::app {

namespace {

// The six fixed panels side by side with no gaps, as the strips' geometry counts them.
constexpr int kFixedPanelsNominalWidth = 80 + 150 + 100 + 100 + 80 + 80;
// Text size of the panels, points.
constexpr double kPanelPointSize = 8.0;

}  // namespace

MapStatusBar::MapStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("MapStatusBar"));
    setSizeGripEnabled(true);
    // The panels keep the widths the window was designed with at 8 points; so
    // does their text, or the coordinates of a district would not fit.
    QFont small = font();
    small.setPointSizeF(kPanelPointSize);
    setFont(small);
    for (int i = 0; i < kPanelCount; ++i) {
        auto* panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setFixedWidth(kPanelWidths[i]);
        panel->setContentsMargins(0, 0, 0, 0);
        addWidget(panel);
        panels_.append(panel);
    }
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("TransientMessage"));
    message_->setTextFormat(Qt::PlainText);
    message_->setMinimumWidth(0);
    message_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    addWidget(message_, 1);
    messageTimer_ = new QTimer(this);
    messageTimer_->setSingleShot(true);
    connect(messageTimer_, &QTimer::timeout, message_, [this] {
        message_->clear();
        message_->setToolTip(QString());
    });
    overlay_ = new map::StatusProgressOverlay(this, kFixedPanelsNominalWidth);
    overlay_->setObjectName(QStringLiteral("ProgressStrips"));
}

void MapStatusBar::SetPanelText(int index, const QString& text) {
    if (QLabel* panel = Panel(index)) panel->setText(text);
}

int MapStatusBar::FixedPanelsWidth() const {
    // The panels are laid out with spacing between them: the strips start right of
    // where the sixth panel actually ends, so they never cover it.
    const int laidOut = panels_.size() >= 6 ? panels_.at(5)->geometry().right() + 1 : 0;
    return std::max(laidOut, kFixedPanelsNominalWidth);
}

void MapStatusBar::ShowTransientMessage(const QString& text, int milliseconds) {
    message_->setText(text);
    message_->setToolTip(text);
    messageTimer_->start(milliseconds);
}

QString MapStatusBar::TransientMessage() const {
    return message_->text();
}

void MapStatusBar::ShowProgress(double upper, double lower) {
    // Called after every parcel of a load: paint only when a strip grows by a pixel.
    const int fixedWidth = FixedPanelsWidth();
    const map::ProgressStrips before = map::LayoutProgressStrips(fixedWidth, width(), height(), upper_, lower_);
    const map::ProgressStrips after = map::LayoutProgressStrips(fixedWidth, width(), height(), upper, lower);
    const bool changed =
        !progressShown_ || before.Upper.Right != after.Upper.Right || before.Lower.Right != after.Lower.Right;
    progressShown_ = true;
    upper_ = upper;
    lower_ = lower;
    if (!changed) return;
    overlay_->SetFixedPanelsWidth(fixedWidth);
    overlay_->ShowProgress(upper, lower);
}

void MapStatusBar::ClearProgress() {
    progressShown_ = false;
    upper_ = 0.0;
    lower_ = 0.0;
    overlay_->Clear();
}

}  // namespace ter5::app
