// Measures what turning colours into sRGB costs a 24-megapixel photograph,
// through the real window, decoder and print job (the printer a test double
// at 600 dpi). Not a test: tools/measure-pipeline.sh runs it.
//   measure_colour --write <path> <untagged|adobe-rgb|cmyk> [seed]
//                          a 6000 x 4000 JPEG with the detail of a photograph:
//                          untagged, with an Adobe RGB profile, or CMYK with
//                          Adobe's marker
//   measure_colour <picture>
//                          loads it into both slots, then prints both covers;
//                          the front's load time and the print preparation's
#include "app/MainWindow.h"
#include "covers/CoverSlot.h"
#include "doubles/TestEnvironment.h"
#include "print_answers.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorSpace>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

constexpr int Width = 6000, Height = 4000;

// Gradients with noise, each sample from the same generator.
template <typename Sample> void photoSamples(quint32 seed, int components, Sample &&sample)
{
    quint32 noise = seed;
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int n = int(noise >> 28);
            const int values[4] = {(x / 24 + n) & 255, (y / 16 + n) & 255, ((x + y) / 40 + n) & 255,
                                   ((x - y) / 64 + n) & 127};
            sample(x, y, values, components);
        }
    }
}

bool writeRgb(const QString &path, quint32 seed, bool tagged)
{
    QImage image(Width, Height, QImage::Format_RGB32);
    photoSamples(seed, 3, [&](int x, int y, const int *v, int) {
        reinterpret_cast<QRgb *>(image.scanLine(y))[x] = qRgb(v[0], v[1], v[2]);
    });
    if (tagged)
        image.setColorSpace(QColorSpace(QColorSpace::AdobeRgb));
    return image.save(path, "JPEG", 90);
}

// CMYK as Adobe's programs store it: inverted, with their marker.
bool writeCmyk(const QString &path, quint32 seed)
{
    QByteArray samples(qsizetype(Width) * Height * 4, Qt::Uninitialized);
    photoSamples(seed, 4, [&](int x, int y, const int *v, int) {
        for (int c = 0; c < 4; ++c)
            samples[(qsizetype(y) * Width + x) * 4 + c] = char(255 - v[c]);
    });
    FILE *file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = Width;
    info.image_height = Height;
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            reinterpret_cast<JSAMPROW>(samples.data()) + qsizetype(info.next_scanline) * Width * 4;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

bool load(quillane::test::TestPlatform &platform, QWidget *box, quillane::CoverSlot &slot,
          const QString &path)
{
    platform.commonDialog.openAnswers << path;
    QTest::mousePress(box, Qt::LeftButton);
    QDeadlineTimer deadline(60000);
    while (slot.path() != path && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return slot.path() == path;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc > 3 && QByteArray(argv[1]) == "--write") {
        const QString path = QString::fromLocal8Bit(argv[2]);
        const QByteArray kind = argv[3];
        const quint32 seed = argc > 4 ? QByteArray(argv[4]).toUInt() : 12345;
        const bool written =
            kind == "cmyk" ? writeCmyk(path, seed) : writeRgb(path, seed, kind == "adobe-rgb");
        return written ? 0 : 1;
    }
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: %s <picture> | --write <path> <untagged|adobe-rgb|cmyk> [seed]\n",
                     argv[0]);
        return 2;
    }
    const QString picture = QString::fromLocal8Bit(argv[1]);
    quillane::test::ConfigHome home;
    quillane::test::TestPlatform platform;
    platform.printer.printers = {"Fake"};
    quillane::MainWindow window(platform.platform);
    window.showCentred();
    QCoreApplication::processEvents();

    QElapsedTimer clock;
    clock.start();
    if (!load(platform, window.findChild<QWidget *>("Image1"), window.frontSlot(), picture)) {
        std::fprintf(stderr, "the picture did not load\n");
        return 1;
    }
    std::printf("load ms: %lld\n", clock.elapsed());
    if (!load(platform, window.findChild<QWidget *>("Image2"), window.backSlot(), picture)) {
        std::fprintf(stderr, "the picture did not load\n");
        return 1;
    }
    for (QCheckBox *box : {window.printFrontBox(), window.printBackBox()}) {
        if (!box->isChecked())
            QTest::mouseClick(box, Qt::LeftButton);
    }

    // From "&Yes" to the page's end on the printer: both covers decoded and
    // resampled for 600 dpi.
    qint64 prepared = -1;
    platform.printer.onOperation = [&](const QString &entry) {
        if (entry == "end")
            prepared = clock.elapsed();
    };
    quillane::test::ModalAnswers answers;
    answers.answers << [&](QWidget *dialog) {
        clock.restart();
        quillane::test::clickChild(dialog, "Command1");
    };
    answers.start();
    QTest::mouseClick(window.findChild<QWidget *>("Command3"), Qt::LeftButton);
    answers.stop();
    if (prepared < 0 || platform.printer.painted.size() != 2) {
        std::fprintf(stderr, "the page was not printed\n");
        return 1;
    }
    std::printf("print ms: %lld\n", prepared);
    return 0;
}
