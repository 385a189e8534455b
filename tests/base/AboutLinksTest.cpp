// What the about window's links do, without a toolkit: the manual pages, the web and
// mail targets from the settings, and the messages when a target is not set.

#include "base/AboutLinks.h"

#include <gtest/gtest.h>

#include <map>

#include "base/Platform.h"

namespace ter5::base {
namespace {

// Settings as a map; nothing is started.
class SettingsOnly : public Platform {
public:
    std::map<std::string, std::string> settings;

    SettingLookup LookupMachineSetting(const std::string&) const override { return {}; }
    std::string UserSettingsFile() const override { return "/home/u/.config/ter5manager/ter5manager.conf"; }
    std::optional<std::string> ReadSetting(const std::string& key) const override {
        const auto found = settings.find(key);
        if (found == settings.end()) return std::nullopt;
        return found->second;
    }
    std::string HostPath(const std::string& path) const override { return path; }
    std::string CompanionPath(const std::string& path) const override { return path; }
    StartResult StartProgram(const std::string&, const std::string&) override { return {}; }
    StartResult OpenExternal(const std::string&) override { return {}; }
};

using Kind = AboutLinkAction::Kind;

TEST(AboutLinksTest, TargetsFromTheSettingsAndMailsGreetTheOtherPerson) {
    SettingsOnly platform;
    platform.settings = {{"HomePage", "  https://terrakon.example/ "},
                         {"OrderPage", "https://terrakon.example/order"},
                         {"ManagerMail", "sales@terrakon.example"},
                         {"AdministratorMail", "admin@terrakon.example"}};
    AboutLinks links(platform);
    EXPECT_EQ(links.Target("home"), "https://terrakon.example/");
    const AboutLinkAction home = links.Activate("Label3");
    EXPECT_EQ(home.kind, Kind::Web);
    EXPECT_EQ(home.target, "https://terrakon.example/");
    EXPECT_EQ(links.Activate("Label14").target, "https://terrakon.example/order");
    EXPECT_EQ(links.ToolTip("Label14"), "https://terrakon.example/order");

    const AboutLinkAction manager = links.Activate("Label7");
    EXPECT_EQ(manager.kind, Kind::Mail);
    EXPECT_EQ(manager.address, "sales@terrakon.example");
    EXPECT_EQ(manager.target, "mailto:sales@terrakon.example?subject=Re: &body=   Добрый день, Admin !%0d");
    EXPECT_EQ(links.Activate("Label8").address, "admin@terrakon.example");
    EXPECT_NE(links.Activate("Label8").target.find("Добрый день, Manager !"), std::string::npos);

    // The manual links never depend on the settings.
    EXPECT_EQ(links.Activate("Label5").kind, Kind::Manual);
    EXPECT_EQ(links.Activate("Label5").target, kManualChangesPage);
    EXPECT_EQ(links.Activate("Label6").target, kManualUpdatesPage);
    EXPECT_EQ(links.Activate("Image1").kind, Kind::None);
    EXPECT_EQ(AboutLinks::StripLinks().size(), 6u);
}

TEST(AboutLinksTest, UnsetTargetsSayWhereToSetThemAndHomeFallsBackOnTheManual) {
    SettingsOnly platform;
    AboutLinks links(platform);
    EXPECT_EQ(links.Activate("Label1").kind, Kind::Manual);
    EXPECT_EQ(links.Activate("Label1").target, kManualContentsPage);
    EXPECT_EQ(links.ToolTip("Label1"), "Руководство пользователя");
    const AboutLinkAction order = links.Activate("Label14");
    EXPECT_EQ(order.kind, Kind::Unset);
    EXPECT_EQ(order.target,
              "Адрес страницы заказа не задан. Укажите его параметром OrderPage в файле настроек "
              "/home/u/.config/ter5manager/ter5manager.conf.");
    EXPECT_EQ(links.ToolTip("Label2"), "Не задан: AdministratorMail в файле настроек "
                                       "/home/u/.config/ter5manager/ter5manager.conf");

    // Read again: a target set while the program runs counts.
    platform.settings["ManagerMail"] = "new@terrakon.example";
    EXPECT_EQ(links.Activate("Label7").kind, Kind::Unset);
    links.ReadTargets();
    EXPECT_EQ(links.Activate("Label7").kind, Kind::Mail);
}

}  // namespace
}  // namespace ter5::base
