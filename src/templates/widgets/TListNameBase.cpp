#include "templates/widgets/TListNameBase.h"

#include <QAction>
#include <QProgressBar>
#include <QStyle>
#include <QToolBar>

#include <algorithm>

#include "base/TDM.h"
#include "base/widgets/Messenger.h"
#include "templates/BaseCreator.h"
#include "templates/widgets/TListBases.h"
#include "templates/widgets/TemplateEditDialogs.h"
#include "templates/widgets/TemplateGrid.h"
#include "templates/widgets/TemplateWindows.h"

namespace ter5::templates {

namespace {

QVector<TemplateColumn> GroupColumns() {
    return {
        {QStringLiteral("Flag"), QObject::tr("Тип"), 36, Qt::AlignHCenter, false, QString()},
        {QStringLiteral("Name"), QObject::tr("Наименование программы"), 495, Qt::AlignLeft, false, QString()},
    };
}

}  // namespace

TListNameBase::TListNameBase(TemplateWindows& windows, QWidget* parent)
    : TemplateListWindow(windows.DataModule().TNameBase, tr("Список баз данных переиндексируемых по шаблону"),
                         QSize(560, 322), GroupColumns(), parent),
      windows_(windows) {
    setObjectName(QStringLiteral("ListNameBase"));
    SetClosesOnEscape(true);
    ToolBar()->addSeparator();
    selectAction_ = AddToolButton(QStringLiteral("SpeedButton5"), ToolIcon("go-jump", QStyle::SP_DialogOkButton),
                                  tr("Выбрать строку из списка"));
    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar_->setTextVisible(false);
    progressBar_->setRange(0, 1);
    progressBar_->setValue(0);
    progressBar_->setFixedWidth(150);
    ToolBar()->addSeparator();
    ToolBar()->addWidget(progressBar_);

    const auto select = [this] { base::RunGuarded(this, [this] { SpeedButton5Click(); }); };
    connect(selectAction_, &QAction::triggered, this, select);
    connect(Grid(), &TemplateGrid::rowDoubleClicked, this, select);
    connect(Grid(), &TemplateGrid::enterPressed, this, select);
}

TemplateEditDialog* TListNameBase::CreateEditDialog() {
    return new TEditNameBase(Table(), this);
}

void TListNameBase::SpeedButton5Click() {
    if (Mode() == QLatin1String("Edit") || Mode() == QLatin1String("Select")) {
        Table().Refresh();
        TListBases* tables = windows_.ListBases();
        tables->SetMode(Mode());
        tables->ShowModal();
    } else if (Mode() == QLatin1String("ReIndex")) {
        try {
            Reindexer(windows_.Store(), windows_.Host()).ReindexGroup(this);
        } catch (const GroupReindexError& error) {
            // The bar is back at 0; the window stays for another try.
            base::Messenger::Current().ShowError(this, QString::fromStdString(error.Report()));
            return;
        }
        SetPosition(0);
        close();
    } else if (Mode() == QLatin1String("CreateTerBases")) {
        BaseCreator(windows_.Store()).CreateGroupTables(windows_.Host().TargetDirectory(), this);
        SetPosition(0);
        close();
    }
}

void TListNameBase::SetMaximum(std::size_t maximum) {
    progressMaximum_ = maximum;
    // A range of 0 to 0 would make the bar a busy indicator.
    progressBar_->setRange(0, static_cast<int>(std::max<std::size_t>(maximum, 1)));
}

void TListNameBase::SetPosition(std::size_t position) {
    progressBar_->setValue(static_cast<int>(std::min<std::size_t>(position, progressBar_->maximum())));
    // The loops run without processing events: paint the bar now.
    progressBar_->repaint();
}

}  // namespace ter5::templates
