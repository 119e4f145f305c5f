// SPDX-License-Identifier: GPL-3.0-or-later
#include "Pictures.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QtEndian>

#include <cmath>

namespace quillane::test {

QString writePicture(const QTemporaryDir &dir, const QString &name, QSize size,
                     const QColor &colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = dir.filePath(name);
    return image.save(path) ? path : QString();
}

QImage patterned(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb(255 * x / size.width(), 255 * y / size.height(),
                           int(128 + 100 * std::sin(x / 37.0) * std::cos(y / 53.0)));
    }
    return image;
}

QImage photo(QSize size, quint32 seed)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int noise = int(random.bounded(48));
            line[x] = qRgb((x * 255 / size.width() + noise) & 0xFF,
                           (y * 255 / size.height() + noise) & 0xFF, (x ^ y) & 0xFF);
        }
    }
    return image;
}

QByteArray encoded(const QImage &image, const char *format, int quality, bool progressive)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

QByteArray pngChunk(const char *type, const QByteArray &data)
{
    const QByteArray body = type + data;
    quint32 crc = 0xFFFFFFFF;
    for (char byte : body) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
    }
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), chunk.data());
    chunk += body + QByteArray(4, '\0');
    qToBigEndian<quint32>(~crc, chunk.data() + chunk.size() - 4);
    return chunk;
}

QString writeBytes(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return file.fileName();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray withExifOrientation(const QByteArray &jpeg, quint8 orientation)
{
    QByteArray tiff = QByteArray::fromHex("4d4d002a00000008" // big-endian TIFF, IFD at 8
                                          "0001"             // one entry
                                          "011200030000000100") +
                      char(orientation) +
                      QByteArray::fromHex("0000"
                                          "00000000");
    QByteArray app1 = "Exif" + QByteArray(2, '\0') + tiff;
    const int length = app1.size() + 2;
    QByteArray segment = QByteArray::fromHex("ffe1");
    segment += char(length >> 8);
    segment += char(length & 0xff);
    return jpeg.left(2) + segment + app1 + jpeg.mid(2);
}

} // namespace quillane::test
