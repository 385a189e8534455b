// Showing and hiding the main window, and the tray icon.

#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QTimer>

#include "app/TMain.h"

namespace ter5::app {

void TMain::AddTrayIcon() {
    if (options_.trayAvailable) TrayIcon->show();
}

void TMain::RemoveTrayIcon() {
    if (TrayIcon) TrayIcon->hide();
}

void TMain::HideToTray() {
    showMainWindow_ = false;
    hide();
}

void TMain::RestoreFromTray() {
    showMainWindow_ = true;
    if (wasMaximised_) showMaximized();
    else showNormal();
    raise();
    activateWindow();
    // The first showing brings up every control; Qt shows the children with the
    // window, so only the flag is left to set.
    firstRestoreDone_ = true;
}

void TMain::RestoreItemClick() {
    RestoreFromTray();
    RestoreItem->setEnabled(false);
    HideItem->setEnabled(true);
}

void TMain::HideItemClick() {
    if (!options_.trayAvailable) return;  // nowhere to hide to
    HideToTray();
    AddTrayIcon();
    HideItem->setEnabled(false);
    RestoreItem->setEnabled(true);
}

void TMain::FileExitItem1Click() {
    exitRequested_ = true;
    close();
}

void TMain::TrayIconMessage(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        // The quick-start menu opens once it is clear the click is no double click.
        trayClickTimer_->start();
        break;
    case QSystemTrayIcon::DoubleClick:
        trayClickTimer_->stop();
        if (showMainWindow_) HideItemClick();
        else RestoreItemClick();
        break;
    case QSystemTrayIcon::Context:
        trayClickTimer_->stop();
        if (isVisible()) activateWindow();
        PopupMenu1->popup(QCursor::pos());
        break;
    default:
        break;
    }
}

}  // namespace ter5::app
