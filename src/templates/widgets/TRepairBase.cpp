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
#include "templates/Reindexer.h"
#include "templates/TemplateStore.h"

namespace ter5::templates {
namespace {

// The structure choice that names no template group.
const char* const kNoGroup = "(не использовать)";
constexpr int kTableColumn = 0;
constexpr int kStateColumn = 1;

}  // namespace

TRepairBase::TRepairBase(TemplateStore& store, ReindexHost& host, QWidget* parent)
    : QDialog(parent), store_(store), host_(host) {
    setObjectName(QStringLiteral("TRepairBase"));
    setWindowTitle(tr("Проверка и восстановление базы"));
    createWidgets();
    connect(CheckButton, &QPushButton::clicked, this, [this] { base::RunGuarded(this, [this] { CheckTables(); }); });
    connect(RepairButton, &QPushButton::clicked, this, [this] { base::RunGuarded(this, [this] { RepairDamaged(); }); });
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TRepairBase::createWidgets() {
    directoryLabel_ = new QLabel(this);
    TablesGrid = new QTableWidget(0, 2, this);
    TablesGrid->setObjectName(QStringLiteral("TablesGrid"));
    TablesGrid->setHorizontalHeaderLabels({tr("Таблица"), tr("Состояние")});
    TablesGrid->horizontalHeader()->setStretchLastSection(true);
    TablesGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TablesGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    GroupBox = new QComboBox(this);
    GroupBox->setObjectName(QStringLiteral("GroupBox"));
    CheckButton = new QPushButton(tr("Проверить"), this);
    RepairButton = new QPushButton(tr("Восстановить повреждённые"), this);
    CloseButton = new QPushButton(tr("Закрыть"), this);
    ReportMemo = new QPlainTextEdit(this);
    ReportMemo->setObjectName(QStringLiteral("ReportMemo"));
    ReportMemo->setReadOnly(true);

    auto* groupRow = new QHBoxLayout;
    groupRow->addWidget(new QLabel(tr("Структура нечитаемого заголовка по шаблону:"), this));
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
    layout->addWidget(new QLabel(tr("Отчёт:"), this));
    layout->addWidget(ReportMemo, 1);
    resize(720, 520);
}

void TRepairBase::FillGroups() {
    const QString chosen = GroupBox->currentText();
    GroupBox->clear();
    GroupBox->addItem(tr(kNoGroup));
    for (const std::string& name : TemplateGroupNames(store_)) GroupBox->addItem(QString::fromStdString(name));
    const int index = GroupBox->findText(chosen);
    GroupBox->setCurrentIndex(index > 0 ? index : 0);
}

void TRepairBase::ShowFor(const std::filesystem::path& directory) {
    directory_ = directory;
    directoryLabel_->setText(tr("Каталог: %1").arg(QString::fromStdString(engine::PathToUtf8(directory))));
    ReportMemo->clear();
    FillGroups();
    CheckTables();
    exec();
}

void TRepairBase::CheckTables() {
    states_.clear();
    for (const std::filesystem::path& table : BaseTables(directory_)) states_.push_back(CheckTableState(table));
    TablesGrid->setRowCount(static_cast<int>(states_.size()));
    bool anyDamaged = false;
    for (std::size_t i = 0; i < states_.size(); ++i) {
        const int row = static_cast<int>(i);
        TablesGrid->setItem(row, kTableColumn,
                            new QTableWidgetItem(QString::fromStdString(engine::PathToUtf8(states_[i].table.filename()))));
        auto* state = new QTableWidgetItem(QString::fromStdString(states_[i].summary));
        if (states_[i].damaged) state->setForeground(Qt::red);
        TablesGrid->setItem(row, kStateColumn, state);
        anyDamaged = anyDamaged || states_[i].damaged;
    }
    RepairButton->setEnabled(anyDamaged);
}

void TRepairBase::RepairDamaged() {
    BaseRepairRequest request;
    request.directory = directory_;
    for (const TableState& s : states_)
        if (s.damaged) request.tables.push_back(s.table);
    if (request.tables.empty()) return;
    request.language = engine::ReportLanguage::Russian;
    if (GroupBox->currentIndex() > 0) {
        const std::string group = GroupBox->currentText().toStdString();
        request.structureFor = [this, group](const std::filesystem::path& table) { return TemplateStructure(store_, group, table); };
    }
    const BaseRepairResult result = RepairBaseTables(request, host_);
    QString text = QString::fromStdString(result.text);
    if (!result.backupRoot.empty())
        text += tr("Исходные файлы и отчёт: %1\n").arg(QString::fromStdString(engine::PathToUtf8(result.backupRoot)));
    ReportMemo->setPlainText(text);
    CheckTables();
}

QString TRepairBase::ReportText() const { return ReportMemo->toPlainText(); }

}  // namespace ter5::templates
