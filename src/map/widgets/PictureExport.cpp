#include "map/widgets/PictureExport.h"

#include <QGuiApplication>
#include <QImageWriter>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <stdexcept>

#include "map/widgets/PicturePainter.h"

namespace ter5::map {

namespace {

// Resolution at which picture pixels are laid out on a PDF page, dots per inch.
constexpr int kPdfDotsPerInch = 96;
// Points per inch of PDF page sizes.
constexpr double kPointsPerInch = 72.0;

QString PathText(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

}  // namespace

void EnsureGuiApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "ter5";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* application = new QGuiApplication(argc, argv);
    (void)application;
}

QImage RenderPictureImage(const Picture& picture, bool antialias) {
    EnsureGuiApplication();
    QImage image(std::max(1, picture.WidthPx()), std::max(1, picture.HeightPx()), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PicturePainter replay;
    replay.SetAntialiasing(antialias);
    replay.Paint(painter, picture);
    return image;
}

void WritePictureImageFile(const Picture& picture, const std::filesystem::path& path, bool antialias) {
    const QImage image = RenderPictureImage(picture, antialias);
    QImageWriter writer(PathText(path));
    if (!writer.write(image)) {
        throw std::runtime_error(path.string() + ": " + writer.errorString().toStdString());
    }
}

void WritePicturePdfFile(const Picture& picture, const std::filesystem::path& path) {
    EnsureGuiApplication();
    QPdfWriter writer(PathText(path));
    writer.setResolution(kPdfDotsPerInch);
    const QSizeF points(picture.WidthPx() * kPointsPerInch / kPdfDotsPerInch,
                        picture.HeightPx() * kPointsPerInch / kPdfDotsPerInch);
    writer.setPageLayout(QPageLayout(QPageSize(points, QPageSize::Point), QPageLayout::Portrait, QMarginsF()));
    QPainter painter;
    if (!painter.begin(&writer)) throw std::runtime_error(path.string() + ": cannot create the PDF file");
    PicturePainter replay;
    replay.SetAntialiasing(true);
    replay.Paint(painter, picture);
    if (!painter.end()) throw std::runtime_error(path.string() + ": cannot write the PDF file");
}

}  // namespace ter5::map
