// The help window and the user manual: where the manual is looked for, pages and
// their links inside the window and outside it, F1, and the manual shipped in
// doc/manual: the pages the program opens are there, and every link and picture
// of every page leads to a file that exists.

#include "app/THelp.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>

#include "AppTestSupport.h"

namespace ter5::app {
namespace {

using testing::Message;

// Sets an environment variable for the lifetime of the object.
class EnvironmentScope {
public:
    EnvironmentScope(const char* name, const QByteArray& value) : name_(name), saved_(qgetenv(name)) {
        had_ = qEnvironmentVariableIsSet(name);
        qputenv(name, value);
    }
    ~EnvironmentScope() {
        if (had_) qputenv(name_, saved_);
        else qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray saved_;
    bool had_ = false;
};

TEST(THelp, PagesLinksAndWhereTheManualIsLookedFor) {
    testing::ScratchDir scratch;
    testing::RecordingMessenger messenger;
    const auto manual = scratch.Make("manual");
    testing::WriteFile(manual / "index.html",
                       "<html><head><title>Руководство</title></head><body><a href=\"changes.html#v2\">изменения</a> "
                       "<a href=\"https://example.org/\">сайт</a></body></html>");
    testing::WriteFile(manual / "changes.html", "<html><head><title>Изменения</title></head><body>v2</body></html>");
    const EnvironmentScope directory("TER5_MANUAL_DIR", QByteArray::fromStdString(manual.string()));
    EXPECT_EQ(THelp::ManualSearchPath().front(), QString::fromStdString(manual.string()));
    EXPECT_EQ(THelp::ManualDirectory(), QString::fromStdString(manual.string()));

    std::vector<QUrl> opened;
    THelp help([&](const QUrl& url) {
        opened.push_back(url);
        return QString();
    });
    ASSERT_TRUE(help.ShowPage(QStringLiteral("index.html")));
    EXPECT_TRUE(help.isVisible());
    EXPECT_EQ(help.windowTitle(), QStringLiteral("Руководство — TER5 Manager"));
    // A link between pages follows inside the window; a web link goes outside.
    emit help.Browser()->anchorClicked(QUrl(QStringLiteral("changes.html#v2")));
    EXPECT_EQ(help.Browser()->source().fileName(), QStringLiteral("changes.html"));
    EXPECT_EQ(help.windowTitle(), QStringLiteral("Изменения — TER5 Manager"));
    emit help.Browser()->anchorClicked(QUrl(QStringLiteral("https://example.org/")));
    EXPECT_EQ(opened, (std::vector<QUrl>{QUrl(QStringLiteral("https://example.org/"))}));
    EXPECT_TRUE(messenger.messages.empty());

    // A page that is not there: the places searched are named.
    EXPECT_FALSE(help.ShowPage(QStringLiteral("missing.html")));
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_TRUE(messenger.messages[0].text.contains(QDir::toNativeSeparators(QString::fromStdString(manual.string()))))
        << messenger.messages[0].text.toStdString();
    EXPECT_TRUE(messenger.messages[0].text.contains(QStringLiteral("TER5_MANUAL_DIR")));
}

TEST(THelp, F1OpensTheManualAtItsContents) {
    testing::MainWindowFixture f(true, true);
    f.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
    QTest::keyClick(f.window.get(), Qt::Key_F1);
    ASSERT_NE(f.window->Help(), nullptr);
    EXPECT_TRUE(f.window->Help()->isVisible());
    EXPECT_EQ(f.window->Help()->Browser()->source().fileName(), QStringLiteral("index.html"));
    EXPECT_TRUE(f.messenger.messages.empty());
}

// The manual of the source tree, as the help window finds it without installation.
TEST(ShippedManual, PagesTheProgramOpensAndEveryLinkExist) {
    const QString directory = THelp::ManualDirectory();
    ASSERT_FALSE(directory.isEmpty());
    for (const char* page : {kManualContentsPage, kManualChangesPage, kManualUpdatesPage})
        EXPECT_TRUE(QFile::exists(directory + QLatin1Char('/') + QString::fromLatin1(page))) << page;

    const QRegularExpression reference(QStringLiteral("(?:href|src)=\"([^\"#:]+)(?:#[^\"]*)?\""));
    const QRegularExpression title(QStringLiteral("<title>[^<]+</title>"));
    const QStringList pages = QDir(directory).entryList({QStringLiteral("*.html")});
    EXPECT_GE(pages.size(), 10);
    for (const QString& page : pages) {
        QFile file(directory + QLatin1Char('/') + page);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(title.match(text).hasMatch()) << page.toStdString() << " has no title";
        for (auto it = reference.globalMatch(text); it.hasNext();) {
            const QString target = it.next().captured(1);
            EXPECT_TRUE(QFile::exists(directory + QLatin1Char('/') + target))
                << page.toStdString() << " links to missing " << target.toStdString();
        }
    }
}

}  // namespace
}  // namespace ter5::app
