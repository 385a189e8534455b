#pragma once
// The export dialog "Экспорт в ГИС": the file to write (its extension chooses the format;
// "Обзор…" offers one filter per format), the layers, the reference system of the base's
// coordinates as text (EPSG:n, PROJ or WKT; the last few of the run offered again) and
// whether to export only the current parcel. The main window creates it on first use and
// keeps it, so the choices of the last export are there when it opens again.

#include <QDialog>
#include <QStringList>

#include <optional>

#include "exchange/ExportOptions.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ter5::exchange {

class ExportDialog : public QDialog {
    Q_OBJECT

public:
    explicit ExportDialog(QWidget* parent = nullptr);

    // Sets the base to export and the current parcel (none: "only the current parcel"
    // is disabled). The first time, the file name proposed is <base>.gpkg beside the base.
    void Prepare(const QString& baseDirectory, std::optional<std::int32_t> currentParcel);
    // The export the dialog describes.
    ExportOptions Options() const;
    // Offers `crs` first among the reference systems for the rest of the run.
    void RememberCrs(const QString& crs);

    // "Обзор…": a save dialog with one filter per format; a name without an extension
    // gets the chosen filter's.
    void BrowseClick();

    QLineEdit* FileEdit = nullptr;
    QPushButton* BrowseButton = nullptr;
    QCheckBox *LayerParcels = nullptr, *LayerVertices = nullptr, *LayerSides = nullptr, *LayerOwners = nullptr;
    QComboBox* CrsBox = nullptr;
    QLabel* CrsNote = nullptr;
    QCheckBox* CurrentOnlyBox = nullptr;
    QDialogButtonBox* Buttons = nullptr;

protected:
    // Refuses an empty file name or no layer, with a warning.
    void accept() override;

private:
    void createWidgets();
    void createLayout();

    QString base_;
    std::optional<std::int32_t> current_;
    QStringList recentCrs_;
};

}  // namespace ter5::exchange
