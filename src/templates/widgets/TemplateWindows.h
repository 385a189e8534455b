#pragma once
// The template windows of the program, created on first use and kept for the rest
// of the run: the group list `TListNameBase`, the table template list
// `TListBases`, the field list `TListField` and the index list `TListIndex`. The
// main window opens the group list with a mode word:
//
//   "Edit"            group → table templates → index rows, or → field rows
//   "Select"          group → table template → reindex of that table
//   "ReIndex"         group → reindex of its marked tables
//   "CreateTerBases"  group → creation of its tables in the target directory
//
// The file dialogs of the imports go through a replaceable chooser, so that tests
// can answer them.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "templates/TemplateSelectSteps.h"

namespace ter5::base {
class TDM;
}

namespace ter5::templates {

class ReindexHost;
class TemplateStore;
class TListBases;
class TListField;
class TListIndex;
class TListNameBase;

// What a file dialog of the imports asks for.
struct FileRequest {
    QString caption;
    QString directory;      // where the dialog opens
    QString filter;         // a Qt name filter: "Таблицы баз TER v.5 (*.db)"
    QString defaultSuffix;  // "db"
    bool multiple = false;  // several existing files may be chosen
};

// Shows a file dialog; the chosen paths, empty when cancelled.
using FileChooser = std::function<QStringList(QWidget* parent, const FileRequest& request)>;

// The real file dialog.
QStringList ChooseFilesWithDialog(QWidget* parent, const FileRequest& request);

class TemplateWindows : public QObject, public TemplateWindowHost {
    Q_OBJECT

public:
    // The data module, the store and the host must outlive the windows; `parent`
    // parents them.
    TemplateWindows(base::TDM& dm, TemplateStore& store, ReindexHost& host, QWidget* parent);

    base::TDM& DataModule() const { return dm_; }
    TemplateStore& Store() override { return store_; }
    ReindexHost& Host() override { return host_; }

    TListNameBase* ListNameBase();
    TListBases* ListBases();
    TListField* ListField();
    TListIndex* ListIndex();

    // Shows the group list modally with `mode`.
    void ShowGroupList(const QString& mode);

    void ShowList(TemplateList list, const std::string& mode) override;
    void CloseList(TemplateList list) override;
    ListProgress& GroupProgress() override;
    void ShowError(const std::string& text) override;

    const FileChooser& Chooser() const { return chooser_; }
    void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

private:
    base::TDM& dm_;
    TemplateStore& store_;
    ReindexHost& host_;
    QWidget* parent_;
    FileChooser chooser_ = ChooseFilesWithDialog;
    TListNameBase* listNameBase_ = nullptr;
    TListBases* listBases_ = nullptr;
    TListField* listField_ = nullptr;
    TListIndex* listIndex_ = nullptr;
};

}  // namespace ter5::templates
