#include "app/MapStatusBar.h"

#include <QLabel>
#include <QPainter>

#include "map/MapLoader.h"

namespace ter5::app {

namespace {

QColor FromColorRef(std::uint32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

}  // namespace

MapStatusBar::MapStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("MapStatusBar"));
    setSizeGripEnabled(true);
    for (int i = 0; i < kPanelCount; ++i) {
        auto* panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setFixedWidth(kPanelWidths[i]);
        panel->setContentsMargins(2, 0, 2, 0);
        addWidget(panel);
        panels_.append(panel);
    }
}

void MapStatusBar::SetPanelText(int index, const QString& text) {
    if (QLabel* panel = Panel(index)) panel->setText(text);
}

void MapStatusBar::ShowProgress(double upper, double lower) {
    // Called after every parcel of a load: paint only when a strip grows by a pixel.
    const int fixedWidth = panels_.size() >= 6 ? panels_.at(5)->geometry().right() + 1 : 0;
    const map::ProgressStrips before = map::LayoutProgressStrips(fixedWidth, width(), height(), upper_, lower_);
    const map::ProgressStrips after = map::LayoutProgressStrips(fixedWidth, width(), height(), upper, lower);
    const bool changed = !progressShown_ || before.Upper.Right != after.Upper.Right ||
                         before.Lower.Right != after.Lower.Right;
    progressShown_ = true;
    upper_ = upper;
    lower_ = lower;
    if (changed) repaint();
}

void MapStatusBar::ClearProgress() {
    progressShown_ = false;
    update();
}

void MapStatusBar::paintEvent(QPaintEvent* event) {
    QStatusBar::paintEvent(event);
    if (!progressShown_ || panels_.size() < 6) return;
    const int fixedWidth = panels_.at(5)->geometry().right() + 1;
    const map::ProgressStrips strips = map::LayoutProgressStrips(fixedWidth, width(), height(), upper_, lower_);
    QPainter painter(this);
    const auto draw = [&](const map::StripRect& r, std::uint32_t colour) {
        if (r.Right >= r.Left && r.Bottom >= r.Top)
            painter.fillRect(QRect(QPoint(r.Left, r.Top), QPoint(r.Right, r.Bottom)), FromColorRef(colour));
    };
    draw(strips.Upper, map::kUpperStripColour);
    draw(strips.Lower, map::kLowerStripColour);
}

}  // namespace ter5::app
