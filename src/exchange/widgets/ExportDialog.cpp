#include "exchange/widgets/ExportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "base/widgets/Messenger.h"

namespace ter5::exchange {

namespace {

// Reference systems offered again during a run.
constexpr int kRecentCrsCount = 5;
// Extension of the file name proposed at first: GeoPackage, which holds every layer.
constexpr const char* kDefaultExtension = ".gpkg";

// One filter per format of the file dialog, the extension first in each.
const char* const kFilters[] = {"GeoPackage (*.gpkg)", "Shapefile (*.shp)", "DXF (*.dxf)",
                                "GeoJSON (*.geojson)", "KML (*.kml)",       "CSV (*.csv)"};

}  // namespace

ExportDialog::ExportDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ExportDialog"));
    setWindowTitle(tr("Экспорт в ГИС"));
    createWidgets();
    createLayout();
}

void ExportDialog::createWidgets() {
    FileEdit = new QLineEdit(this);
    FileEdit->setObjectName(QStringLiteral("FileEdit"));
    FileEdit->setMinimumWidth(360);
    BrowseButton = new QPushButton(tr("Обзор…"), this);
    BrowseButton->setObjectName(QStringLiteral("BrowseButton"));
    connect(BrowseButton, &QPushButton::clicked, this, &ExportDialog::BrowseClick);

    const auto layerBox = [this](const char* name, const QString& text, bool checked) {
        auto* box = new QCheckBox(text, this);
        box->setObjectName(QString::fromLatin1(name));
        box->setChecked(checked);
        return box;
    };
    LayerParcels = layerBox("LayerParcels", tr("Участки (полигоны)"), true);
    LayerVertices = layerBox("LayerVertices", tr("Точки границ"), true);
    LayerSides = layerBox("LayerSides", tr("Стороны с длинами и дирекционными углами"), false);
    LayerOwners = layerBox("LayerOwners", tr("Владельцы (таблица)"), true);

    CrsBox = new QComboBox(this);
    CrsBox->setObjectName(QStringLiteral("CrsBox"));
    CrsBox->setEditable(true);
    CrsBox->setInsertPolicy(QComboBox::NoInsert);
    CrsBox->lineEdit()->setPlaceholderText(tr("например EPSG:28404 или +proj=tmerc …"));
    CrsNote = new QLabel(tr("Программа не знает, в какой системе координат снята база. Без неё слои "
                            "не несут системы координат: x — это Y (восток), y — это X (север), в метрах. "
                            "Для KML система координат нужна."),
                         this);
    CrsNote->setObjectName(QStringLiteral("CrsNote"));
    CrsNote->setWordWrap(true);

    CurrentOnlyBox = new QCheckBox(tr("Только текущий участок"), this);
    CurrentOnlyBox->setObjectName(QStringLiteral("CurrentOnlyBox"));

    Buttons = new QDialogButtonBox(this);
    Buttons->setObjectName(QStringLiteral("Buttons"));
    Buttons->addButton(tr("Экспорт"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("ExportButton"));
    Buttons->addButton(tr("Отмена"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("CancelButton"));
    connect(Buttons, &QDialogButtonBox::accepted, this, &ExportDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &ExportDialog::reject);
}

void ExportDialog::createLayout() {
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(FileEdit, 1);
    fileRow->addWidget(BrowseButton);

    auto* layers = new QGroupBox(tr("Слои"), this);
    auto* layerColumn = new QVBoxLayout(layers);
    for (QCheckBox* box : {LayerParcels, LayerVertices, LayerSides, LayerOwners}) layerColumn->addWidget(box);

    auto* form = new QFormLayout;
    form->addRow(tr("Файл:"), fileRow);
    form->addRow(tr("Система координат:"), CrsBox);

    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(CrsNote);
    column->addWidget(layers);
    column->addWidget(CurrentOnlyBox);
    column->addWidget(Buttons);
}

void ExportDialog::Prepare(const QString& baseDirectory, std::optional<std::int32_t> currentParcel) {
    base_ = baseDirectory;
    current_ = currentParcel;
    CurrentOnlyBox->setEnabled(current_.has_value());
    if (!current_) CurrentOnlyBox->setChecked(false);
    CurrentOnlyBox->setText(current_ ? tr("Только текущий участок (код %1)").arg(*current_)
                                     : tr("Только текущий участок"));
    // Beside the base, named after it: the base's own folder belongs to the companion program.
    if (FileEdit->text().isEmpty()) {
        const QFileInfo base(QDir::cleanPath(baseDirectory));
        FileEdit->setText(QDir::toNativeSeparators(base.dir().filePath(base.fileName() + QLatin1String(kDefaultExtension))));
    }
}

ExportOptions ExportDialog::Options() const {
    ExportOptions options;
    options.Base = base_.toStdString();
    options.Output = FileEdit->text().trimmed().toStdString();
    options.Layers.clear();
    const std::pair<QCheckBox*, ExportLayer> boxes[] = {{LayerParcels, ExportLayer::Parcels},
                                                        {LayerVertices, ExportLayer::Vertices},
                                                        {LayerSides, ExportLayer::Sides},
                                                        {LayerOwners, ExportLayer::Owners}};
    for (const auto& [box, layer] : boxes)
        if (box->isChecked()) options.Layers.push_back(layer);
    options.Crs = CrsBox->currentText().trimmed().toStdString();
    if (CurrentOnlyBox->isEnabled() && CurrentOnlyBox->isChecked()) options.CurrentOnly = current_;
    return options;
}

void ExportDialog::RememberCrs(const QString& crs) {
    const QString text = crs.trimmed();
    if (text.isEmpty()) return;
    recentCrs_.removeAll(text);
    recentCrs_.prepend(text);
    while (recentCrs_.size() > kRecentCrsCount) recentCrs_.removeLast();
    CrsBox->clear();
    CrsBox->addItems(recentCrs_);
    CrsBox->setCurrentIndex(0);
}

void ExportDialog::BrowseClick() {
    QStringList filters;
    for (const char* filter : kFilters) filters << QString::fromUtf8(filter);
    const QString suffix = QFileInfo(FileEdit->text()).suffix().toLower();
    QString selected = filters.first();
    for (const QString& filter : filters)
        if (filter.contains(QStringLiteral("*.") + suffix + QLatin1Char(')'))) selected = filter;
    QString name = QFileDialog::getSaveFileName(this, tr("Экспорт в ГИС"), FileEdit->text(),
                                                filters.join(QStringLiteral(";;")), &selected);
    if (name.isEmpty()) return;
    if (QFileInfo(name).suffix().isEmpty()) {
        const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("\\*(\\.\\w+)")).match(selected);
        if (match.hasMatch()) name += match.captured(1);
    }
    FileEdit->setText(QDir::toNativeSeparators(name));
}

void ExportDialog::accept() {
    if (FileEdit->text().trimmed().isEmpty()) {
        base::Messenger::Current().Warning(this, tr("Укажите файл, в который экспортировать базу."));
        return;
    }
    if (Options().Layers.empty()) {
        base::Messenger::Current().Warning(this, tr("Выберите хотя бы один слой."));
        return;
    }
    QDialog::accept();
}

}  // namespace ter5::exchange
