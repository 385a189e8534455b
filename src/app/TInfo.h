#pragma once
// The about window: the program's picture (531 x 295) with three hot areas and a
// close box, and below it a strip of links to the maker's pages and mail
// addresses. Borderless, modal, closed by Escape, a click on the picture or the
// close box. The link targets come from one built-in resource (about-links.ini).

#include <QDialog>
#include <QHash>
#include <functional>

class QLabel;
class QUrl;

namespace ter5::app {

class TInfo : public QDialog {
    Q_OBJECT

public:
    // Opens a link with the desktop's default program; false when it could not.
    using UrlOpener = std::function<bool(const QUrl&)>;

    explicit TInfo(QWidget* parent = nullptr);

    // The link targets by key: home, news, changes, updates, order, manager,
    // administrator.
    static QHash<QString, QString> LinkTargets();

    // `OpenInBrowser` and `WriteMail` (greeting "Admin" or "Manager").
    void OpenInBrowser(const QString& address);
    void WriteMail(const QString& address, const QString& subject, const QString& greeting);
    // The mailto link WriteMail opens.
    static QUrl MailLink(const QString& address, const QString& subject, const QString& greeting);

    // Replaces the desktop opener (tests).
    void SetUrlOpener(UrlOpener opener) { opener_ = std::move(opener); }

    QLabel* Link(const QString& name) const { return links_.value(name); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* AddHotArea(const QString& name, const QRect& area, const QString& target);
    QLabel* AddLink(const QString& name, const QString& caption, const QString& target);
    void LinkActivated(QLabel* label);

    QLabel* picture_ = nullptr;
    QHash<QString, QLabel*> links_;
    UrlOpener opener_;
};

}  // namespace ter5::app
