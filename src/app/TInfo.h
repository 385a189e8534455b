#pragma once
// The about window: the program's picture (531 x 295) with three hot areas and a
// close box, and below it a strip of links. Borderless, modal, closed by Escape, a
// click on the picture or the close box.
//
// What each link does is base::AboutLinks': the manual, a web page or a mail from the
// settings files, or a message that the target is not set. The settings are read
// again each time the window is shown, so a target set while the program runs is
// there at once. A browser or mail program that cannot be started is reported: what
// failed and what is needed.

#include <QDialog>
#include <QHash>
#include <functional>

#include "app/ExternalLinks.h"
#include "base/AboutLinks.h"

class QLabel;
class QUrl;

namespace ter5::base {
class Platform;
}

namespace ter5::app {

class TInfo : public QDialog {
    Q_OBJECT

public:
    // Shows a page of the user manual (a file name such as "changes.html").
    using ManualViewer = std::function<void(const QString& page)>;

    // Targets are read from `platform`'s settings files; `manual` shows the manual.
    TInfo(base::Platform& platform, ManualViewer manual, QWidget* parent = nullptr);

    // Reads the link targets from the settings files and shows them in the tool tips
    // (done at every showing).
    void ReadTargets();
    // A link target by key (home, order, manager, administrator): the settings
    // value, empty when it is not set.
    QString Target(const QString& key) const { return QString::fromStdString(targets_.Target(key.toStdString())); }

    // `OpenInBrowser` and `WriteMail` (greeting "Admin" or "Manager").
    void OpenInBrowser(const QString& address);
    void WriteMail(const QString& address, const QString& subject, const QString& greeting);
    // The mailto link WriteMail opens.
    static QUrl MailLink(const QString& address, const QString& subject, const QString& greeting);

    // Replaces the desktop opener (tests).
    void SetUrlOpener(LinkOpener opener) { opener_ = std::move(opener); }

    QLabel* Link(const QString& name) const { return links_.value(name); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* AddHotArea(const QString& name, const QRect& area);
    QLabel* AddLink(const QString& name, const QString& caption);
    void LinkActivated(QLabel* label);
    void ShowManual(const QString& page);

    base::Platform& platform_;
    ManualViewer manual_;
    QLabel* picture_ = nullptr;
    QHash<QString, QLabel*> links_;
    base::AboutLinks targets_;
    LinkOpener opener_;
};

}  // namespace ter5::app
