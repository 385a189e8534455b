// The about window: closing, the links and the mails.

#include "app/TInfo.h"

#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "AppTestSupport.h"

namespace ter5::app {
namespace {

class TInfoTest : public ::testing::Test {
protected:
    TInfoTest() {
        info_.SetUrlOpener([this](const QUrl& url) {
            opened_.push_back(url);
            return succeed_;
        });
    }

    void Click(const QString& label) {
        QLabel* link = info_.Link(label);
        ASSERT_NE(link, nullptr) << label.toStdString();
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, 2));
    }

    testing::RecordingMessenger messenger_;
    TInfo info_;
    std::vector<QUrl> opened_;
    bool succeed_ = true;
};

TEST_F(TInfoTest, LayoutAndTargetsFromTheResource) {
    EXPECT_EQ(info_.size(), QSize(531, 327));
    const auto targets = TInfo::LinkTargets();
    for (const char* key : {"home", "news", "changes", "updates", "order", "manager", "administrator"})
        EXPECT_FALSE(targets.value(QString::fromLatin1(key)).isEmpty()) << key;
    EXPECT_EQ(info_.Link(QStringLiteral("Label4"))->toolTip(), targets.value(QStringLiteral("news")));
    EXPECT_EQ(info_.Link(QStringLiteral("Label3"))->geometry(), QRect(62, 86, 400, 60));
    EXPECT_EQ(info_.Link(QStringLiteral("Label8"))->text(), QStringLiteral("Администратор"));
}

TEST_F(TInfoTest, EscapePictureAndCloseBoxClose) {
    info_.show();
    QTest::keyClick(&info_, Qt::Key_Escape);
    EXPECT_FALSE(info_.isVisible());
    info_.show();
    QTest::mouseClick(info_.findChild<QLabel*>(QStringLiteral("Image1")), Qt::LeftButton, {}, QPoint(20, 200));
    EXPECT_FALSE(info_.isVisible());
    info_.show();
    info_.findChild<QToolButton*>(QStringLiteral("SpeedButton7"))->click();
    EXPECT_FALSE(info_.isVisible());
}

TEST_F(TInfoTest, WebLinksOpenTheirPagesEachTime) {
    const auto targets = TInfo::LinkTargets();
    Click(QStringLiteral("Label4"));
    Click(QStringLiteral("Label4"));
    Click(QStringLiteral("Label1"));
    Click(QStringLiteral("Label14"));
    ASSERT_EQ(opened_.size(), 4u);
    EXPECT_EQ(opened_[0], QUrl(targets.value(QStringLiteral("news"))));
    EXPECT_EQ(opened_[1], opened_[0]);
    EXPECT_EQ(opened_[2], QUrl(targets.value(QStringLiteral("home"))));
    EXPECT_EQ(opened_[3], QUrl(targets.value(QStringLiteral("order"))));
}

TEST_F(TInfoTest, MailsGreetTheOtherPersonAndFailureIsReported) {
    const auto targets = TInfo::LinkTargets();
    Click(QStringLiteral("Label7"));
    Click(QStringLiteral("Label8"));
    ASSERT_EQ(opened_.size(), 2u);
    EXPECT_EQ(opened_[0].scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(opened_[0].path(), targets.value(QStringLiteral("manager")));
    EXPECT_EQ(opened_[0], TInfo::MailLink(targets.value(QStringLiteral("manager")), QStringLiteral("Re: "),
                                          QStringLiteral("Admin")));
    EXPECT_TRUE(opened_[0].query(QUrl::FullyDecoded).contains(QStringLiteral("Добрый день, Admin !")));
    EXPECT_TRUE(opened_[1].query(QUrl::FullyDecoded).contains(QStringLiteral("Добрый день, Manager !")));
    EXPECT_EQ(opened_[1].path(), targets.value(QStringLiteral("administrator")));

    succeed_ = false;
    Click(QStringLiteral("Label2"));
    ASSERT_EQ(messenger_.messages.size(), 1u);
    EXPECT_EQ(messenger_.messages[0].text, QStringLiteral("Auto method failed."));
}

}  // namespace
}  // namespace ter5::app
