// The about window: closing, the links to the manual, the targets from the settings
// file, and what the user is told when a target is not set or no program opens it
// (with xdg-open run as a process).

#include "app/TInfo.h"

#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <sys/stat.h>

#include "AppTestSupport.h"

namespace ter5::app {
namespace {

using testing::Message;

class TInfoTest : public ::testing::Test {
protected:
    TInfoTest() {
        options_.userSettings = scratch_.Path() / "ter5manager.conf";
        options_.searchPath = scratch_.Make("bin").string();
        testing::WriteFile(options_.userSettings,
                           "HomePage=https://terrakon.example/\nOrderPage=https://terrakon.example/order\n"
                           "ManagerMail=sales@terrakon.example\nAdministratorMail=admin@terrakon.example\n");
    }

    // The window over the settings as they are now, recording the links it opens.
    std::unique_ptr<TInfo> Window(bool recordLinks = true) {
        platform_ = std::make_unique<base::LinuxPlatform>(options_);
        auto info = std::make_unique<TInfo>(*platform_, [this](const QString& page) { pages_ << page; });
        if (recordLinks) {
            info->SetUrlOpener([this](const QUrl& url) {
                opened_.push_back(url);
                return failure_;
            });
        }
        return info;
    }

    static void Click(TInfo& info, const QString& label) {
        QLabel* link = info.Link(label);
        ASSERT_NE(link, nullptr) << label.toStdString();
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, 2));
    }

    // An xdg-open on the search path that answers with `status`, as the real one does
    // (3: no program takes the link).
    void InstallOpener(int status) {
        const auto opener = scratch_.Path() / "bin" / "xdg-open";
        testing::WriteFile(opener, "#!/bin/sh\necho \"$1\" > '" + (scratch_.Path() / "opened.txt").string() +
                                       "'\nexit " + std::to_string(status) + "\n");
        ::chmod(opener.c_str(), 0755);
    }

    testing::ScratchDir scratch_;
    testing::RecordingMessenger messenger_;
    base::LinuxPlatform::Options options_;
    std::unique_ptr<base::LinuxPlatform> platform_;
    std::vector<QUrl> opened_;
    QStringList pages_;
    QString failure_;
};

TEST_F(TInfoTest, LayoutAndTargetsFromTheSettingsFile) {
    auto info = Window();
    EXPECT_EQ(info->size(), QSize(531, 327));
    EXPECT_EQ(info->Link(QStringLiteral("Label14"))->toolTip(), QStringLiteral("https://terrakon.example/order"));
    EXPECT_EQ(info->Link(QStringLiteral("Label7"))->toolTip(), QStringLiteral("sales@terrakon.example"));
    EXPECT_EQ(info->Link(QStringLiteral("Label3"))->geometry(), QRect(62, 86, 400, 60));
    EXPECT_EQ(info->Link(QStringLiteral("Label8"))->text(), QStringLiteral("Администратор"));
}

TEST_F(TInfoTest, EscapePictureAndCloseBoxClose) {
    auto info = Window();
    info->show();
    QTest::keyClick(info.get(), Qt::Key_Escape);
    EXPECT_FALSE(info->isVisible());
    info->show();
    QTest::mouseClick(info->findChild<QLabel*>(QStringLiteral("Image1")), Qt::LeftButton, {}, QPoint(20, 200));
    EXPECT_FALSE(info->isVisible());
    info->show();
    info->findChild<QToolButton*>(QStringLiteral("SpeedButton7"))->click();
    EXPECT_FALSE(info->isVisible());
}

TEST_F(TInfoTest, NewsChangesAndUpdatesOpenTheManualWebLinksTheBrowser) {
    auto info = Window();
    info->show();
    Click(*info, QStringLiteral("Label4"));
    EXPECT_FALSE(info->isVisible());  // the manual's window takes over
    Click(*info, QStringLiteral("Label5"));
    Click(*info, QStringLiteral("Label6"));
    EXPECT_EQ(pages_, (QStringList{"index.html", "changes.html", "updates.html"}));
    Click(*info, QStringLiteral("Label1"));
    Click(*info, QStringLiteral("Label14"));
    Click(*info, QStringLiteral("Label14"));
    ASSERT_EQ(opened_.size(), 3u);
    EXPECT_EQ(opened_[0], QUrl(QStringLiteral("https://terrakon.example/")));
    EXPECT_EQ(opened_[1], QUrl(QStringLiteral("https://terrakon.example/order")));
    EXPECT_EQ(opened_[2], opened_[1]);
    EXPECT_TRUE(messenger_.messages.empty());
}

TEST_F(TInfoTest, MailsGreetTheOtherPerson) {
    auto info = Window();
    Click(*info, QStringLiteral("Label7"));
    Click(*info, QStringLiteral("Label8"));
    Click(*info, QStringLiteral("Label2"));
    ASSERT_EQ(opened_.size(), 3u);
    EXPECT_EQ(opened_[0].scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(opened_[0].path(), QStringLiteral("sales@terrakon.example"));
    EXPECT_EQ(opened_[0], TInfo::MailLink(QStringLiteral("sales@terrakon.example"), QStringLiteral("Re: "),
                                          QStringLiteral("Admin")));
    EXPECT_TRUE(opened_[0].query(QUrl::FullyDecoded).contains(QStringLiteral("Добрый день, Admin !")));
    EXPECT_TRUE(opened_[1].query(QUrl::FullyDecoded).contains(QStringLiteral("Добрый день, Manager !")));
    EXPECT_EQ(opened_[1].path(), QStringLiteral("admin@terrakon.example"));
    EXPECT_EQ(opened_[2].path(), QStringLiteral("admin@terrakon.example"));
}

// Without targets in the settings nothing fake is opened: the link says where to set
// it, and the picture's home areas open the manual.
TEST_F(TInfoTest, UnsetTargetsSayWhereToSetThem) {
    std::filesystem::remove(options_.userSettings);
    auto info = Window();
    const QString file = QString::fromStdString(options_.userSettings.string());
    EXPECT_EQ(info->Link(QStringLiteral("Label14"))->toolTip(),
              QStringLiteral("Не задан: OrderPage в файле настроек %1").arg(file));
    Click(*info, QStringLiteral("Label14"));
    Click(*info, QStringLiteral("Label7"));
    Click(*info, QStringLiteral("Label3"));
    EXPECT_TRUE(opened_.empty());
    EXPECT_EQ(pages_, QStringList{"index.html"});
    EXPECT_EQ(messenger_.messages,
              (std::vector<Message>{
                  {Message::Plain, QStringLiteral("Адрес страницы заказа не задан. Укажите его параметром "
                                                  "OrderPage в файле настроек %1.").arg(file)},
                  {Message::Plain, QStringLiteral("Адрес почты менеджера не задан. Укажите его параметром "
                                                  "ManagerMail в файле настроек %1.").arg(file)}}));
}

// A target set in the settings file while the program runs is there the next time the
// window opens (the file is read at every use).
TEST_F(TInfoTest, SettingsAreReadAgainEachTimeTheWindowOpens) {
    std::filesystem::remove(options_.userSettings);
    auto info = Window();
    EXPECT_TRUE(info->Target(QStringLiteral("manager")).isEmpty());
    testing::WriteFile(options_.userSettings, "ManagerMail=new@terrakon.example\n");
    info->show();
    EXPECT_EQ(info->Target(QStringLiteral("manager")), QStringLiteral("new@terrakon.example"));
    EXPECT_EQ(info->Link(QStringLiteral("Label7"))->toolTip(), QStringLiteral("new@terrakon.example"));
    Click(*info, QStringLiteral("Label7"));
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0].path(), QStringLiteral("new@terrakon.example"));
    EXPECT_TRUE(messenger_.messages.empty());
    info->hide();
}

// The desktop's opener, a real process: with no program for the link it exits 3,
// which the window reports, saying what is needed; without xdg-open at all, too.
TEST_F(TInfoTest, NoMailProgramAndNoBrowserAreReported) {
    InstallOpener(3);
    auto info = Window(false);
    Click(*info, QStringLiteral("Label7"));
    Click(*info, QStringLiteral("Label14"));
    ASSERT_EQ(messenger_.messages.size(), 2u);
    const QString needed = QStringLiteral(".\nДля писем нужна почтовая программа (например, Thunderbird или Evolution), "
                                          "выбранная в системе программой для писем по умолчанию.");
    EXPECT_EQ(messenger_.messages[0],
              (Message{Message::Plain, QStringLiteral("Не удалось начать письмо на адрес sales@terrakon.example: не "
                                                      "найдена программа, которая его открывает") +
                                           needed}));
    EXPECT_EQ(messenger_.messages[1].text,
              QStringLiteral("Не удалось открыть адрес https://terrakon.example/order: не найдена программа, "
                             "которая его открывает"));

    std::filesystem::remove(scratch_.Path() / "bin" / "xdg-open");
    Click(*info, QStringLiteral("Label8"));
    ASSERT_EQ(messenger_.messages.size(), 3u);
    EXPECT_EQ(messenger_.messages[2].text,
              QStringLiteral("Не удалось начать письмо на адрес admin@terrakon.example: xdg-open не найден (пакет "
                             "xdg-utils)") +
                  needed);

    // An opener that finds a program: nothing to report, and it got the mail link.
    InstallOpener(0);
    Click(*info, QStringLiteral("Label7"));
    EXPECT_EQ(messenger_.messages.size(), 3u);
    std::ifstream in(scratch_.Path() / "opened.txt");
    std::string link;
    std::getline(in, link);
    EXPECT_EQ(link.rfind("mailto:sales@terrakon.example?subject=Re:", 0), 0u) << link;
}

}  // namespace
}  // namespace ter5::app
