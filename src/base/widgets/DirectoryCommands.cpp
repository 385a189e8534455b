#include "base/widgets/DirectoryCommands.h"

#include "base/widgets/DirectoryTree.h"
#include "base/widgets/Messenger.h"
#include "base/widgets/TNewForm.h"

namespace ter5::base {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

DirectoryCommands::DirectoryCommands(DirectoryTree* tree, std::function<void()> closeBase,
                                     std::function<TNewForm*()> nameDialog, QObject* parent)
    : QObject(parent), tree_(tree), closeBase_(std::move(closeBase)), nameDialog_(std::move(nameDialog)) {}

QWidget* DirectoryCommands::ParentWidget() const {
    return tree_->window();
}

std::optional<std::string> DirectoryCommands::AskName(const std::string& caption, const std::string& prompt,
                                                      const std::optional<std::string>& text) {
    TNewForm* dialog = nameDialog_();
    dialog->setWindowTitle(Q(caption));
    dialog->SetPrompt(Q(prompt));
    if (text) dialog->SetText(Q(*text));
    if (!dialog->Ask()) return std::nullopt;
    return dialog->Text().toStdString();
}

void DirectoryCommands::ShowMessage(const std::string& text) {
    Messenger::Current().ShowMessage(ParentWidget(), Q(text));
}

void DirectoryCommands::Warning(const std::string& text) {
    Messenger::Current().Warning(ParentWidget(), Q(text));
}

bool DirectoryCommands::ConfirmWarning(const std::string& text) {
    return Messenger::Current().ConfirmWarning(ParentWidget(), Q(text));
}

std::string DirectoryCommands::CurrentDirectory() const {
    return tree_->CurrentDirectory().toStdString();
}

int DirectoryCommands::SelectedIndex() const {
    return tree_->SelectedIndex();
}

std::string DirectoryCommands::ItemText(int row) const {
    const QListWidgetItem* item = tree_->item(row);
    return item ? item->text().toStdString() : std::string();
}

std::string DirectoryCommands::ItemPath(int row) const {
    return tree_->ItemPath(row).toStdString();
}

void DirectoryCommands::Rebuild() {
    tree_->Rebuild();
}

int DirectoryCommands::FindItem(const std::string& text) const {
    return tree_->FindItem(Q(text));
}

void DirectoryCommands::SelectIndex(int row) {
    tree_->SelectIndex(row);
}

void DirectoryCommands::SetCurrentDirectory(const std::string& path) {
    tree_->SetCurrentDirectory(Q(path));
}

}  // namespace ter5::base
