#pragma once
// Headless output of a map picture through the QPainter replay: raster images (PNG and the
// other formats Qt writes) and PDF, for the batch face of the map.

#include <QImage>

#include <filesystem>

#include "map/Picture.h"

namespace ter5::map {

// Makes sure a QGuiApplication exists, as fonts need one; without a configured display
// platform it runs on the offscreen one. The application lives until the process ends.
void EnsureGuiApplication();

// The picture painted on white, in an image of its pixel size.
QImage RenderPictureImage(const Picture& picture, bool antialias);

// Writes the picture as an image, the format chosen by the file's extension. Throws
// std::runtime_error naming the file when it cannot be written.
void WritePictureImageFile(const Picture& picture, const std::filesystem::path& path, bool antialias);

// Writes the picture as a one-page PDF of the picture's size at 96 pixels per inch, its
// labels as text. Throws std::runtime_error naming the file when it cannot be written.
void WritePicturePdfFile(const Picture& picture, const std::filesystem::path& path);

}  // namespace ter5::map
