#include "winapp/TreeCommands.h"

#include "base/DirectoryCommandSteps.h"

#include "winapp/ChildControls.h"
#include "winapp/CommandIds.h"
#include "winapp/DirectoryView.h"
#include "templates/BaseCreator.h"
#include "winapp/NameDialog.h"
#include "winapp/WideText.h"

namespace ter5::winapp {

namespace {

constexpr char kWarningCaption[] = "Предупреждение";

}  // namespace

// The steps' view of this program: the name dialog over the main window, the system's
// message boxes and the tree's list view.
class TreeCommands::Host final : public base::DirectoryCommandHost {
public:
    Host(HWND owner, DirectoryView& tree, std::function<void()> closeBase)
        : owner_(owner), tree_(tree), closeBase_(std::move(closeBase)) {}

    base::DirectoryCommandSteps steps{*this};

    NameDialog& Names() { return nameDialog_; }
    DirectoryView& Tree() { return tree_; }

private:
    std::optional<std::string> AskName(const std::string& caption, const std::string& prompt,
                                       const std::optional<std::string>& text) override {
        return nameDialog_.Ask(owner_, caption, prompt, text);
    }
    void ShowMessage(const std::string& text) override {
        MessageBoxW(owner_, Wide(text).c_str(), kMessageCaption, MB_OK | MB_ICONINFORMATION);
    }
    void Warning(const std::string& text) override { Box(text, kWarningCaption, MB_OK | MB_ICONWARNING); }
    bool ConfirmWarning(const std::string& text) override {
        return Box(text, kWarningCaption, MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) == IDOK;
    }
    void CloseBase() override { closeBase_(); }
    std::string CurrentDirectory() const override { return tree_.Listing().CurrentDirectory(); }
    int SelectedIndex() const override { return tree_.SelectedIndex(); }
    std::string ItemText(int row) const override { return tree_.ItemText(row); }
    std::string ItemPath(int row) const override { return tree_.Listing().ItemPath(row); }
    void Rebuild() override { tree_.Rebuild(); }
    int FindItem(const std::string& text) const override { return tree_.Listing().FindItem(text); }
    void SelectIndex(int row) override { tree_.SelectIndex(row); }
    void SetCurrentDirectory(const std::string& path) override { tree_.SetCurrentDirectory(path); }

    int Box(const std::string& text, const char* caption, UINT type) const {
        return MessageBoxW(owner_, Wide(text).c_str(), Wide(caption).c_str(), type);
    }

    HWND owner_;
    DirectoryView& tree_;
    std::function<void()> closeBase_;
    NameDialog nameDialog_;  // created on first use, kept for the run
};

TreeCommands::TreeCommands(HWND owner, DirectoryView& tree, std::function<void()> closeBase)
    : owner_(owner), host_(std::make_unique<Host>(owner, tree, std::move(closeBase))) {}

TreeCommands::~TreeCommands() = default;

void TreeCommands::ShowMenu(POINT at, bool reindexEnabled) const {
    struct Item {
        int id;  // 0: a separator
        const char* text;
        bool enabled;
    };
    const Item items[] = {
        {kTreeOpenBase, "Открыть базу TER", true},
        {kTreeCreateBase, "Создать базу TER", true},
        {0, nullptr, false},
        {kTreeReindexProgram, "Переиндексация выборочно по программе", reindexEnabled},
        {kTreeReindexBase, "Переиндексация выборочно по базе", reindexEnabled},
        {0, nullptr, false},
        {kTreeCreateDir, "Создать каталог", true},
        {kTreeRenameDir, "Переименовать", true},
        {kTreeDeleteDir, "Удалить", true},
    };
    HMENU menu = CreatePopupMenu();
    for (const Item& item : items) {
        if (item.id == 0) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuW(menu, MF_STRING | (item.enabled ? 0 : MF_GRAYED), static_cast<UINT_PTR>(item.id),
                        Wide(item.text).c_str());
        }
    }
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, owner_, nullptr);
    DestroyMenu(menu);
}

bool TreeCommands::Run(int id) {
    switch (id) {
    case kTreeCreateDir: host_->steps.Create(); return true;
    case kTreeRenameDir: host_->steps.Rename(); return true;
    case kTreeDeleteDir: host_->steps.Delete(); return true;
    default: return false;
    }
}

std::optional<std::string> TreeCommands::PrepareNewBase(const std::function<void(const std::string&)>& showMessage) {
    const std::optional<std::string> name =
        host_->Names().Ask(owner_, templates::kNewBaseCaption, templates::kNewBasePrompt, std::nullopt);
    if (!name) return std::nullopt;
    DirectoryView& tree = host_->Tree();
    const auto directory = templates::PrepareBaseDirectory(*name, tree.Listing().CurrentDirectory(), showMessage);
    // The new directory becomes the tree's current (and selected) one; it is not opened.
    if (directory) tree.SetCurrentDirectory(*directory);
    return directory;
}

}  // namespace ter5::winapp
