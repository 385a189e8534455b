#include "winapp/TreeCommands.h"

#include "winapp/CommandIds.h"
#include "winapp/DirectoryView.h"
#include "winapp/NameDialog.h"
#include "winapp/WideText.h"

namespace ter5::winapp {

namespace {

constexpr wchar_t kApplicationTitle[] = L"TER5 Manager";
constexpr char kWarningCaption[] = "Предупреждение";

}  // namespace

TreeCommands::TreeCommands(HWND owner, DirectoryView& tree, std::function<void()> closeBase)
    : owner_(owner), tree_(tree), closeBase_(std::move(closeBase)) {}

TreeCommands::~TreeCommands() = default;

void TreeCommands::ShowMenu(POINT at) const {
    struct Item {
        int id;  // 0: a separator
        const char* text;
        bool enabled;
    };
    // Opening, creating and reindexing a base from here are not there yet: greyed.
    const Item items[] = {
        {kTreeOpenBase, "Открыть базу TER", false},
        {kTreeCreateBase, "Создать базу TER", false},
        {0, nullptr, false},
        {kTreeReindexProgram, "Переиндексация выборочно по программе", false},
        {kTreeReindexBase, "Переиндексация выборочно по базе", false},
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
    case kTreeCreateDir: steps_.CreateDirectory(); return true;
    case kTreeRenameDir: steps_.RenameDirectory(); return true;
    case kTreeDeleteDir: steps_.DeleteDirectory(); return true;
    default: return false;
    }
}

std::optional<std::string> TreeCommands::AskName(const std::string& caption, const std::string& prompt,
                                                 const std::optional<std::string>& text) {
    if (!nameDialog_) nameDialog_ = std::make_unique<NameDialog>();
    return nameDialog_->Ask(owner_, caption, prompt, text);
}

void TreeCommands::ShowMessage(const std::string& text) {
    MessageBoxW(owner_, Wide(text).c_str(), kApplicationTitle, MB_OK | MB_ICONINFORMATION);
}

void TreeCommands::Warning(const std::string& text) {
    MessageBoxW(owner_, Wide(text).c_str(), Wide(kWarningCaption).c_str(), MB_OK | MB_ICONWARNING);
}

bool TreeCommands::ConfirmWarning(const std::string& text) {
    return MessageBoxW(owner_, Wide(text).c_str(), Wide(kWarningCaption).c_str(),
                       MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) == IDOK;
}

std::string TreeCommands::CurrentDirectory() const {
    return tree_.Listing().CurrentDirectory();
}

int TreeCommands::SelectedIndex() const {
    return tree_.SelectedIndex();
}

std::string TreeCommands::ItemText(int row) const {
    return tree_.ItemText(row);
}

std::string TreeCommands::ItemPath(int row) const {
    return tree_.Listing().ItemPath(row);
}

void TreeCommands::Rebuild() {
    tree_.Rebuild();
}

int TreeCommands::FindItem(const std::string& text) const {
    return tree_.Listing().FindItem(text);
}

void TreeCommands::SelectIndex(int row) {
    tree_.SelectIndex(row);
}

void TreeCommands::SetCurrentDirectory(const std::string& path) {
    tree_.SetCurrentDirectory(path);
}

}  // namespace ter5::winapp
