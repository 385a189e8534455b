#include "templates/widgets/TemplateWindows.h"

#include <QFileDialog>

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

}  // namespace ter5::templates
