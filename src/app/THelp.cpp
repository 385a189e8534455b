#include "app/THelp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/widgets/Messenger.h"

namespace ter5::app {

namespace {

// Where the manual lies below the installation prefix.
constexpr const char* kInstalledManual = "/../share/ter5manager/manual";
// The window's first size, pixels.
constexpr int kWidth = 900;
constexpr int kHeight = 700;

}  // namespace

THelp::THelp(LinkOpener opener, QWidget* parent)
    : QDialog(parent, Qt::Window), opener_(std::move(opener)) {
    setObjectName(QStringLiteral("Help"));
    setWindowTitle(tr("TER5 Manager — руководство пользователя"));
    resize(kWidth, kHeight);

    back_ = new QToolButton(this);
    back_->setObjectName(QStringLiteral("HelpBack"));
    back_->setText(tr("Назад"));
    back_->setArrowType(Qt::LeftArrow);
    back_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    forward_ = new QToolButton(this);
    forward_->setObjectName(QStringLiteral("HelpForward"));
    forward_->setText(tr("Вперёд"));
    forward_->setArrowType(Qt::RightArrow);
    forward_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto* contents = new QToolButton(this);
    contents->setObjectName(QStringLiteral("HelpContents"));
    contents->setText(tr("Содержание"));

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenLinks(false);  // LinkClicked decides where a link goes

    auto* bar = new QHBoxLayout;
    bar->addWidget(back_);
    bar->addWidget(forward_);
    bar->addWidget(contents);
    bar->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(browser_, 1);

    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(contents, &QToolButton::clicked, this, [this] { ShowPage(QString::fromLatin1(kManualContentsPage)); });
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::anchorClicked, this, &THelp::LinkClicked);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = browser_->documentTitle();
        setWindowTitle(title.isEmpty() ? tr("TER5 Manager — руководство пользователя")
                                       : title + QStringLiteral(" — TER5 Manager"));
    });
}

QStringList THelp::ManualSearchPath() {
    QStringList path;
    const QString fromEnvironment = qEnvironmentVariable("TER5_MANUAL_DIR");
    if (!fromEnvironment.isEmpty()) path << QDir::cleanPath(fromEnvironment);
    path << QDir::cleanPath(QCoreApplication::applicationDirPath() + QString::fromLatin1(kInstalledManual));
#ifdef TER5_SOURCE_MANUAL_DIR
    path << QDir::cleanPath(QStringLiteral(TER5_SOURCE_MANUAL_DIR));
#endif
    return path;
}

QString THelp::ManualDirectory() {
    for (const QString& directory : ManualSearchPath()) {
        if (QFileInfo::exists(directory + QLatin1Char('/') + QString::fromLatin1(kManualContentsPage)))
            return directory;
    }
    return {};
}

bool THelp::ShowPage(const QString& page) {
    const QString directory = ManualDirectory();
    const QString file = page.section(QLatin1Char('#'), 0, 0);
    if (directory.isEmpty() || !QFileInfo::exists(directory + QLatin1Char('/') + file)) {
        QStringList places;
        for (const QString& place : ManualSearchPath()) places << QDir::toNativeSeparators(place);
        base::Messenger::Current().ShowMessage(
            this, tr("Руководство пользователя не найдено (страница %1). Искали в каталогах:\n%2\n"
                     "Каталог руководства можно указать переменной окружения TER5_MANUAL_DIR.")
                      .arg(file, places.join(QLatin1Char('\n'))));
        return false;
    }
    QUrl url = QUrl::fromLocalFile(directory + QLatin1Char('/') + file);
    if (page.contains(QLatin1Char('#'))) url.setFragment(page.section(QLatin1Char('#'), 1));
    browser_->setSource(url);
    show();
    raise();
    activateWindow();
    return true;
}

void THelp::LinkClicked(const QUrl& url) {
    const QUrl target = browser_->source().resolved(url);
    if (target.isLocalFile() || target.scheme().isEmpty()) {
        browser_->setSource(target);
        return;
    }
    const QString failure = opener_(target);
    if (!failure.isEmpty())
        base::Messenger::Current().ShowMessage(this, tr("Не удалось открыть адрес %1: %2").arg(target.toString(), failure));
}

}  // namespace ter5::app
