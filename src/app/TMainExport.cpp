// The main window's "Экспорт…" (`nExport`), after a separator at the end of "Рисунок":
// the open base to GIS files through the export dialog, with the status bar's progress
// strips. A failure goes to the general error display with GDAL's message. A build
// without the GIS export shows the item disabled, saying why.

#include <QAction>
#include <QApplication>
#include <QMenu>

#include "app/MapStatusBar.h"
#include "app/TMain.h"
#include "base/widgets/Messenger.h"
#ifdef TER5_HAVE_EXCHANGE
#include "exchange/BaseExporter.h"
#include "exchange/widgets/ExportDialog.h"
#endif

namespace ter5::app {

namespace {

#ifdef TER5_HAVE_EXCHANGE
// The layer names of the summary as the user reads them.
QString LayerCaption(const std::string& layer) {
    if (layer == "parcels") return QObject::tr("участки");
    if (layer == "vertices") return QObject::tr("точки");
    if (layer == "sides") return QObject::tr("стороны");
    return QObject::tr("владельцы");
}

QString SummaryText(const exchange::ExportSummary& summary) {
    QString text = QObject::tr("Экспорт завершён.");
    for (const exchange::LayerSummary& layer : summary.Layers)
        text += QStringLiteral("\n%1 — %2: %3")
                    .arg(QString::fromStdString(layer.File.string()), LayerCaption(layer.Layer))
                    .arg(layer.Features);
    if (!summary.Notes.empty()) text += QStringLiteral("\n\n") + QObject::tr("Замечания:");
    for (const std::string& note : summary.Notes) text += QStringLiteral("\n– ") + QString::fromStdString(note);
    return text;
}
#endif

}  // namespace

void TMain::ConnectExport() {
    nExport = new QAction(tr("Экспорт…"), this);
    nExport->setObjectName(QStringLiteral("nExport"));
    N10->addSeparator()->setObjectName(QStringLiteral("nExportSeparator"));
    N10->addAction(nExport);
#ifdef TER5_HAVE_EXCHANGE
    nExport->setStatusTip(tr("Экспорт участков, точек и владельцев открытой базы в файлы ГИС"));
    connect(nExport, &QAction::triggered, this, [this] { base::RunGuarded(this, [this] { nExportClick(); }); });
#else
    nExport->setEnabled(false);
    nExport->setStatusTip(tr("В этой сборке программы нет экспорта в ГИС: она собрана без GDAL"));
    nExport->setToolTip(nExport->statusTip());
#endif
}

void TMain::nExportClick() {
#ifdef TER5_HAVE_EXCHANGE
    if (!dm_->BaseOpen()) {
        base::Messenger::Current().ShowMessage(this, tr("Не открыта база: выберите её каталог в дереве каталогов."));
        return;
    }
    if (!exportDialog_) exportDialog_ = new exchange::ExportDialog(this);
    const double current = dm_->CurrentParcelCode();
    exportDialog_->Prepare(QString::fromStdString(dm_->BaseDirectory()),
                           current != 0.0 ? std::optional<std::int32_t>(static_cast<std::int32_t>(current))
                                          : std::nullopt);
    if (exportDialog_->exec() != QDialog::Accepted) return;
    const exchange::ExportOptions options = exportDialog_->Options();

    exchange::ExportSummary summary;
    {
        // A wait cursor while it runs; the strips are erased also when the export fails.
        struct Busy {
            MapStatusBar* bar;
            ~Busy() {
                bar->ClearProgress();
                QApplication::restoreOverrideCursor();
            }
        } busy{StatusBar};
        QApplication::setOverrideCursor(Qt::WaitCursor);
        summary = exchange::ExportBase(options, [this](double upper, double lower) { ShowProgress(upper, lower); });
    }
    exportDialog_->RememberCrs(QString::fromStdString(options.Crs));
    base::Messenger::Current().ShowMessage(this, SummaryText(summary));
#endif
}

}  // namespace ter5::app
