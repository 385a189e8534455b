#include "map/widgets/ProgressStrips.h"

#include <QEvent>
#include <QPainter>

namespace ter5::map {

namespace {

// A Windows COLORREF (0x00BBGGRR) as a QColor.
QColor FromColourRef(std::uint32_t colour) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

void PaintStrip(QPainter& painter, const StripRect& r, const QColor& colour) {
    if (r.Right <= r.Left || r.Bottom <= r.Top) return;  // an empty strip paints nothing
    // GDI's Rectangle fills up to, not including, its right and bottom edges.
    painter.fillRect(QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1)), colour);
}

}  // namespace

void PaintProgressStrips(QPainter& painter, const ProgressStrips& strips) {
    PaintStrip(painter, strips.Upper, FromColourRef(kUpperStripColour));
    PaintStrip(painter, strips.Lower, FromColourRef(kLowerStripColour));
}

StatusProgressOverlay::StatusProgressOverlay(QWidget* statusBar, int fixedPanelsWidth)
    : QWidget(statusBar), fixedPanelsWidth_(fixedPanelsWidth) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(statusBar->rect());
    statusBar->installEventFilter(this);
    hide();
}

void StatusProgressOverlay::ShowProgress(double upper, double lower) {
    upper_ = upper;
    lower_ = lower;
    shown_ = true;
    show();
    raise();
    repaint();
}

void StatusProgressOverlay::Clear() {
    shown_ = false;
    hide();
    if (parentWidget() != nullptr) parentWidget()->update();
}

void StatusProgressOverlay::paintEvent(QPaintEvent*) {
    if (!shown_) return;
    QPainter painter(this);
    PaintProgressStrips(painter, LayoutProgressStrips(fixedPanelsWidth_, width(), height(), upper_, lower_));
}

bool StatusProgressOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

}  // namespace ter5::map
