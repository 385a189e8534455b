#include "TRepairBase.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "base/widgets/Messenger.h"
#include "engine/FileUtil.h"
#include "templates/RepairWindowSteps.h"
#include "templates/TemplateStore.h"

namespace ter5::templates {
namespace {

constexpr int kTableColumn = 0;
constexpr int kStateColumn = 1;

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TRepairBase::TRepairBase(TemplateStore& store, ReindexHost& host, QWidget* parent)
    : QDialog(parent), store_(store), host_(host) {
    setObjectName(QStringLiteral("TRepairBase"));
    setWindowTitle(Text(RepairTexts().caption));
    createWidgets();
    connect(CheckButton, &QPushButton::clicked, this, [this] { base::RunGuarded(this, [this] { CheckTables(); }); });
    connect(RepairButton, &QPushButton::clicked, this, [this] { base::RunGuarded(this, [this] { RepairDamaged(); }); });
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TRepairBase::createWidgets() {
    directoryLabel_ = new QLabel(this);
    TablesGrid = new QTableWidget(0, 2, this);
    TablesGrid->setObjectName(QStringLiteral("TablesGrid"));
    const RepairWindowTexts& texts = RepairTexts();
    TablesGrid->setHorizontalHeaderLabels({Text(texts.tableColumn), Text(texts.stateColumn)});
    TablesGrid->horizontalHeader()->setStretchLastSection(true);
    TablesGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TablesGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    GroupBox = new QComboBox(this);
    GroupBox->setObjectName(QStringLiteral("GroupBox"));
    CheckButton = new QPushButton(Text(texts.check), this);
    RepairButton = new QPushButton(Text(texts.repair), this);
    CloseButton = new QPushButton(Text(texts.close), this);
    ReportMemo = new QPlainTextEdit(this);
    ReportMemo->setObjectName(QStringLiteral("ReportMemo"));
    ReportMemo->setReadOnly(true);

    auto* groupRow = new QHBoxLayout;
    groupRow->addWidget(new QLabel(Text(texts.groupLabel), this));
    groupRow->addWidget(GroupBox, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CheckButton);
    buttons->addWidget(RepairButton);
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(directoryLabel_);
    layout->addWidget(TablesGrid, 1);
    layout->addLayout(groupRow);
    layout->addLayout(buttons);
    layout->addWidget(new QLabel(Text(texts.report), this));
    layout->addWidget(ReportMemo, 1);
    resize(720, 520);
}

void TRepairBase::FillGroups() {
    const QString chosen = GroupBox->currentText();
    GroupBox->clear();
    for (const std::string& choice : RepairGroupChoices(store_)) GroupBox->addItem(Text(choice));
    const int index = GroupBox->findText(chosen);
    GroupBox->setCurrentIndex(index > 0 ? index : 0);
}

void TRepairBase::ShowFor(const std::filesystem::path& directory) {
    directory_ = directory;
    directoryLabel_->setText(Text(RepairDirectoryLine(directory)));
    ReportMemo->clear();
    FillGroups();
    CheckTables();
    exec();
}

void TRepairBase::CheckTables() {
    states_ = CheckBaseTables(directory_);
    TablesGrid->setRowCount(static_cast<int>(states_.size()));
    for (std::size_t i = 0; i < states_.size(); ++i) {
        const int row = static_cast<int>(i);
        TablesGrid->setItem(row, kTableColumn,
                            new QTableWidgetItem(QString::fromStdString(engine::PathToUtf8(states_[i].table.filename()))));
        auto* state = new QTableWidgetItem(QString::fromStdString(states_[i].summary));
        if (states_[i].damaged) state->setForeground(Qt::red);
        TablesGrid->setItem(row, kStateColumn, state);
    }
    RepairButton->setEnabled(AnyDamaged(states_));
}

void TRepairBase::RepairDamaged() {
    if (!AnyDamaged(states_)) return;
    const std::string choice = GroupBox->currentText().toStdString();
    ReportMemo->setPlainText(Text(RepairDamagedTables(store_, host_, directory_, states_, choice)));
    CheckTables();
}

QString TRepairBase::ReportText() const { return ReportMemo->toPlainText(); }

}  // namespace ter5::templates
