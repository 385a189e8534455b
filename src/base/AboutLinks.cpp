#include "base/AboutLinks.h"

#include "base/Platform.h"
#include "base/SettingsFile.h"

namespace ter5::base {

namespace {

// The targets the settings files give, by key, with their settings key and what
// the target is, for the message when it is not set.
struct TargetSetting {
    const char* key;
    const char* settingsKey;
    const char* what;
};

constexpr TargetSetting kTargetSettings[] = {
    {"home", kHomePageKey, "домашней страницы"},
    {"order", kOrderPageKey, "страницы заказа"},
    {"manager", kManagerMailKey, "почты менеджера"},
    {"administrator", kAdministratorMailKey, "почты администратора"},
};

const TargetSetting* SettingOf(const std::string& key) {
    for (const TargetSetting& setting : kTargetSettings)
        if (key == setting.key) return &setting;
    return nullptr;
}

// The web link of each name, and the mail links with their greetings.
struct MailTarget {
    const char* name;
    const char* key;
    const char* greeting;
};

constexpr MailTarget kMailTargets[] = {
    {"Label2", "administrator", "Admin"},
    {"Label7", "manager", "Admin"},
    {"Label8", "administrator", "Manager"},
};

}  // namespace

AboutLinks::AboutLinks(Platform& platform) : platform_(platform) {
    ReadTargets();
}

const std::vector<AboutStripLink>& AboutLinks::StripLinks() {
    static const std::vector<AboutStripLink> links = {
        {"Label4", "Новости"},  {"Label5", "Изменения"}, {"Label6", "Обновления"},
        {"Label14", "Заказать"}, {"Label7", "Менеджер"},  {"Label8", "Администратор"},
    };
    return links;
}

void AboutLinks::ReadTargets() {
    targets_.clear();
    for (const TargetSetting& setting : kTargetSettings) {
        const auto value = platform_.ReadSetting(setting.settingsKey);
        targets_[setting.key] = value ? TrimBlanks(*value) : std::string();
    }
}

std::string AboutLinks::Target(const std::string& key) const {
    const auto found = targets_.find(key);
    return found != targets_.end() ? found->second : std::string();
}

std::string AboutLinks::TargetTip(const std::string& key) const {
    const std::string target = Target(key);
    if (!target.empty()) return target;
    const TargetSetting* setting = SettingOf(key);
    return std::string("Не задан: ") + (setting ? setting->settingsKey : "") + " в файле настроек " +
           platform_.UserSettingsFile();
}

std::string AboutLinks::UnsetMessage(const std::string& key) const {
    const TargetSetting* setting = SettingOf(key);
    return std::string("Адрес ") + setting->what + " не задан. Укажите его параметром " + setting->settingsKey +
           " в файле настроек " + platform_.UserSettingsFile() + ".";
}

std::string AboutLinks::ToolTip(const std::string& name) const {
    if (name == "Label3" || name == "Label1")
        return Target("home").empty() ? "Руководство пользователя" : TargetTip("home");
    if (name == "Label4") return "Руководство пользователя";
    if (name == "Label5") return "Руководство пользователя: список изменений";
    if (name == "Label6") return "Руководство пользователя: как обновить программу";
    if (name == "Label14") return TargetTip("order");
    for (const MailTarget& mail : kMailTargets)
        if (name == mail.name) return TargetTip(mail.key);
    return {};
}

AboutLinkAction AboutLinks::Activate(const std::string& name) const {
    using Kind = AboutLinkAction::Kind;
    const auto web = [this](const std::string& key) {
        const std::string target = Target(key);
        return target.empty() ? AboutLinkAction{Kind::Unset, UnsetMessage(key), {}}
                              : AboutLinkAction{Kind::Web, target, target};
    };
    if (name == "Label3" || name == "Label1") {
        if (Target("home").empty()) return {Kind::Manual, kManualContentsPage, {}};
        return web("home");
    }
    if (name == "Label4") return {Kind::Manual, kManualContentsPage, {}};
    if (name == "Label5") return {Kind::Manual, kManualChangesPage, {}};
    if (name == "Label6") return {Kind::Manual, kManualUpdatesPage, {}};
    if (name == "Label14") return web("order");  // "Заказать" opens its page like the other web links
    for (const MailTarget& mail : kMailTargets) {
        if (name != mail.name) continue;
        const std::string address = Target(mail.key);
        if (address.empty()) return {Kind::Unset, UnsetMessage(mail.key), {}};
        return {Kind::Mail, MailLink(address, "Re: ", mail.greeting), address};
    }
    return {};
}

std::string AboutLinks::MailLink(const std::string& address, const std::string& subject,
                                 const std::string& greeting) {
    return "mailto:" + address + "?subject=" + subject + "&body=   Добрый день, " + greeting + " !%0d";
}

std::string AboutLinks::WebFailure(const std::string& address, const std::string& failure) {
    return "Не удалось открыть адрес " + address + ": " + failure;
}

std::string AboutLinks::MailFailure(const std::string& address, const std::string& failure) {
    return "Не удалось начать письмо на адрес " + address + ": " + failure +
           ".\nДля писем нужна почтовая программа (например, Thunderbird или Evolution), выбранная в системе "
           "программой для писем по умолчанию.";
}

}  // namespace ter5::base
