#include "templates/widgets/TListNameBase.h"

#include <QAction>
#include <QProgressBar>
#include <QStyle>
#include <QToolBar>

#include <algorithm>

#include "base/TDM.h"
#include "base/widgets/Messenger.h"
#include "templates/widgets/TListBases.h"
#include "templates/widgets/TemplateEditDialogs.h"
#include "templates/widgets/TemplateGrid.h"
#include "templates/widgets/TemplateWindows.h"

namespace ter5::templates {


TListNameBase::TListNameBase(TemplateWindows& windows, QWidget* parent)
    : TemplateListWindow(windows.DataModule().TNameBase, ListLayout(TemplateList::Groups), parent),
      windows_(windows) {
    ToolBar()->addSeparator();
    selectAction_ = AddToolButton(QStringLiteral("SpeedButton5"), ToolIcon("go-jump", QStyle::SP_DialogOkButton),
                                  QString::fromStdString(ToolTexts().select));
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
    RunSelectCommand(windows_, TemplateList::Groups, Mode().toStdString());
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
