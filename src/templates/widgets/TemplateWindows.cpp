#include "templates/widgets/TemplateWindows.h"

#include <QApplication>
#include <QFileDialog>

#include "base/widgets/Messenger.h"

#include "templates/widgets/TListBases.h"
#include "templates/widgets/TListNameBase.h"
#include "templates/widgets/TemplateDetailLists.h"

namespace ter5::templates {

QStringList ChooseFilesWithDialog(QWidget* parent, const FileRequest& request) {
    QFileDialog dialog(parent, request.caption, request.directory, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

TemplateWindows::TemplateWindows(base::TDM& dm, TemplateStore& store, ReindexHost& host, QWidget* parent)
    : QObject(parent), dm_(dm), store_(store), host_(host), parent_(parent) {}

TListNameBase* TemplateWindows::ListNameBase() {
    if (!listNameBase_) listNameBase_ = new TListNameBase(*this, parent_);
    return listNameBase_;
}

TListBases* TemplateWindows::ListBases() {
    if (!listBases_) listBases_ = new TListBases(*this, parent_);
    return listBases_;
}

TListField* TemplateWindows::ListField() {
    if (!listField_) listField_ = new TListField(*this, parent_);
    return listField_;
}

TListIndex* TemplateWindows::ListIndex() {
    if (!listIndex_) listIndex_ = new TListIndex(*this, parent_);
    return listIndex_;
}

void TemplateWindows::ShowGroupList(const QString& mode) {
    TListNameBase* groups = ListNameBase();
    groups->SetMode(mode);
    groups->ShowModal();
}

void TemplateWindows::ShowList(TemplateList list, const std::string& mode) {
    switch (list) {
    case TemplateList::Groups: ShowGroupList(QString::fromStdString(mode)); break;
    case TemplateList::Tables:
        ListBases()->SetMode(QString::fromStdString(mode));
        ListBases()->ShowModal();
        break;
    case TemplateList::Fields: ListField()->ShowModal(); break;
    case TemplateList::Indexes: ListIndex()->ShowModal(); break;
    }
}

void TemplateWindows::CloseList(TemplateList list) {
    switch (list) {
    case TemplateList::Groups: ListNameBase()->close(); break;
    case TemplateList::Tables: ListBases()->close(); break;
    case TemplateList::Fields: ListField()->close(); break;
    case TemplateList::Indexes: ListIndex()->close(); break;
    }
}

ListProgress& TemplateWindows::GroupProgress() {
    return *ListNameBase();
}

void TemplateWindows::ShowError(const std::string& text) {
    QWidget* over = QApplication::activeModalWidget();
    base::Messenger::Current().ShowError(over ? over : ListNameBase(), QString::fromStdString(text));
}

}  // namespace ter5::templates
