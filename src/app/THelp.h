#pragma once
// The help window: the user manual, Russian HTML pages with their pictures, shown from
// the files installed with the program. F1 opens it at the contents; the about
// window's "Новости", "Изменения" and "Обновления" open the manual, the list of
// changes and the page on updating. Links between pages follow inside the window;
// web and mail links open with the desktop's programs.
//
// The manual is looked for in this order: the directory in the environment variable
// TER5_MANUAL_DIR, <directory of the executable>/../share/ter5manager/manual, and the
// doc/manual folder of the source tree the program was built from.

#include <QDialog>
#include <QStringList>
#include <QUrl>
#include "app/ExternalLinks.h"
#include "base/AboutLinks.h"

class QTextBrowser;
class QToolButton;

namespace ter5::app {

// Pages of the manual the program opens by name.
using base::kManualContentsPage;
using base::kManualChangesPage;
using base::kManualUpdatesPage;

class THelp : public QDialog {
    Q_OBJECT

public:
    // `opener` opens the web and mail links of the pages.
    explicit THelp(LinkOpener opener, QWidget* parent = nullptr);

    // The directories the manual is looked for in, in order.
    static QStringList ManualSearchPath();
    // The first of them holding the contents page; empty when none does.
    static QString ManualDirectory();

    // Shows `page` (a file name of the manual, with an optional #anchor). Returns false,
    // telling the user where the manual was looked for, when it is not there.
    bool ShowPage(const QString& page);

    QTextBrowser* Browser() const { return browser_; }

private:
    void LinkClicked(const QUrl& url);

    QTextBrowser* browser_ = nullptr;
    QToolButton* back_ = nullptr;
    QToolButton* forward_ = nullptr;
    LinkOpener opener_;
};

}  // namespace ter5::app
