// SPDX-License-Identifier: GPL-3.0-or-later
// Figures for every kind of picture file the tests make: each file's outcome,
// the time its reading took and the peak memory it added, as a table; then
// the peak for a picture just under the decoder's limit. With --seeds DIR,
// the small files are copied there as the fuzzers' seeds.
//   QT_QPA_PLATFORM=offscreen measure_picture_files [--seeds DIR]
#include "support/picture_cases.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

using namespace quillane;
using namespace quillane::test::filecases;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString seeds = argc == 3 && QString(argv[1]) == "--seeds" ? argv[2] : QString();
    for (const Case &c : cases()) {
        QTemporaryDir dir;
        const Made made = c.make(dir);
        if (!seeds.isEmpty() && QFileInfo(made.path).isFile() &&
            QFileInfo(made.path).size() < 65536)
            QFile::copy(made.path, seeds + '/' + QFileInfo(made.path).fileName());
        QtPictureDecoder decoder;
        const qint64 before = resetPeak();
        QElapsedTimer clock;
        clock.start();
        const DecodedPicture decoded = decoder.decode(made.path);
        const qint64 milliseconds = clock.elapsed();
        const qint64 peak = peakKilobytes() - before;
        const QString outcome =
            decoded.ok()
                ? QString(decoded.image.convertToFormat(QImage::Format_ARGB32) ==
                                  made.picture.convertToFormat(QImage::Format_ARGB32)
                              ? "picture, exact"
                              : "picture, not as its data gives it")
                : QString::number(decoded.failure->number) + ": " + decoded.failure->description;
        std::printf("| %s | %s | %lld ms | %lld KB |\n", c.kind, qPrintable(outcome), milliseconds,
                    peak);
        removeByteNames(dir);
    }

    const qint64 limit =
        UnderAsan ? QtPictureDecoder::LimitBytes / 4 : QtPictureDecoder::LimitBytes;
    int rows = 0;
    const QByteArray jpeg = limitJpeg(limit, &rows);
    QtPictureDecoder decoder(limit);
    const qint64 before = resetPeak();
    const DecodedPicture decoded = decoder.decodeBytes(jpeg, "limit.jpg");
    const qint64 peak = (peakKilobytes() - before) << 10;
    std::printf("Peak above idle for %d x %d (%lld MB of %lld MB): %lld MB\n", 16384, rows,
                qint64(decoded.image.sizeInBytes() >> 20), limit >> 20, peak >> 20);
    return decoded.ok() ? 0 : 1;
}
