// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

namespace quillane::test {

// A solid picture saved as a file in dir; the format follows the suffix.
QString writePicture(const QTemporaryDir &dir, const QString &name, QSize size,
                     const QColor &colour = Qt::red);

// Smooth detail that runs differently along each axis, so that a picture
// decoded at the wrong scale, turned, mirrored or shifted shows it.
QImage patterned(QSize size);

// Detail all over with noise, as a photograph has, so that its file and its
// printed size are realistic.
QImage photo(QSize size, quint32 seed);

// The image in a file format's bytes; quality -1 is the writer's default.
QByteArray encoded(const QImage &image, const char *format, int quality = -1,
                   bool progressive = false);

// A PNG chunk with its length and checksum.
QByteArray pngChunk(const char *type, const QByteArray &data);

// A file of the given bytes in dir; its path, or empty when it cannot be written.
QString writeBytes(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes);
QByteArray fileBytes(const QString &path);
// The JPEG with an EXIF block recording the given orientation (6: turn 90
// degrees clockwise to show it upright).
QByteArray withExifOrientation(const QByteArray &jpeg, quint8 orientation);

} // namespace quillane::test
