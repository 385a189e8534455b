#pragma once
// What the links of the about window do, without a toolkit.
//
// "Новости", "Изменения" and "Обновления" open the user manual shipped with the
// program (its contents, the list of changes, how to update). The home page, the
// order page and the two mail addresses come from the settings files (HomePage,
// OrderPage, ManagerMail, AdministratorMail); a link whose target is not set says
// so, and where to set it, instead of opening anything. Without HomePage the
// picture's hot areas open the manual too. ReadTargets reads the settings again, so
// a target set while the program runs counts at the next showing.
//
// Links are named as the window's labels: the picture's hot areas Label3 and Label1
// (home) and Label2 (administrator's mail); the strip's Label4, Label5, Label6,
// Label14, Label7 and Label8 (StripLinks).

#include <string>
#include <unordered_map>
#include <vector>

namespace ter5::base {

class Platform;

// The pages of the user manual the program opens.
inline constexpr const char* kManualContentsPage = "index.html";
inline constexpr const char* kManualChangesPage = "changes.html";
inline constexpr const char* kManualUpdatesPage = "updates.html";

// One link of the strip below the picture, left to right.
struct AboutStripLink {
    const char* name;
    const char* caption;
};

// What activating a link does.
struct AboutLinkAction {
    enum class Kind {
        None,    // a name that is no link
        Manual,  // show the manual page `target`
        Web,     // open the web address `target`
        Mail,    // open the mail link `target` to `address`
        Unset,   // show the message `target`: the link's address is not set
    };
    Kind kind = Kind::None;
    std::string target;
    std::string address;
};

class AboutLinks {
public:
    // Targets come from `platform`'s settings files (`platform` must outlive this).
    explicit AboutLinks(Platform& platform);

    // The strip's links with their captions, left to right.
    static const std::vector<AboutStripLink>& StripLinks();

    // Reads the targets from the settings files.
    void ReadTargets();
    // A target by key (home, order, manager, administrator): the settings value,
    // blanks trimmed; empty when not set.
    std::string Target(const std::string& key) const;
    // The tool tip of the link `name`: its target, or how to set it.
    std::string ToolTip(const std::string& name) const;
    // What activating the link `name` does.
    AboutLinkAction Activate(const std::string& name) const;

    // The mail link to `address` with `subject` (the links use "Re: ") and a greeting
    // ("Admin" or "Manager") as its body.
    static std::string MailLink(const std::string& address, const std::string& subject, const std::string& greeting);
    // The messages for a web address or a mail link the desktop could not open.
    static std::string WebFailure(const std::string& address, const std::string& failure);
    static std::string MailFailure(const std::string& address, const std::string& failure);

private:
    std::string TargetTip(const std::string& key) const;
    std::string UnsetMessage(const std::string& key) const;

    Platform& platform_;
    std::unordered_map<std::string, std::string> targets_;
};

}  // namespace ter5::base
