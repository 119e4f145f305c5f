// Every kind of file a user may choose as a picture, whole, cut, damaged,
// hostile or not a file at all, each with the one outcome it must have:
// the picture exactly as its data gives it, or the failure with its reason.
#include "dialogs/Dialogs.h"
#include "doubles/TestEnvironment.h"
#include "platform/Failures.h"
#include "platform/QtPictureDecoder.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTest>

#include <algorithm>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace quillane;
using test::fileBytes;
using test::writeBytes;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool UnderAsan = true;
#else
constexpr bool UnderAsan = false;
#endif

// ---- Memory of this process, from the kernel's own accounting ----

// Resets the peak to what the process holds now, and returns that.
qint64 resetPeak()
{
    QFile refs("/proc/self/clear_refs");
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
    return test::statusKilobytes("VmRSS:");
}

qint64 peakKilobytes()
{
    return test::statusKilobytes("VmHWM:");
}

// ---- Files made to order ----

QByteArray encoded(const QImage &image, const char *format, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

// A picture with detail in both directions, so that a turned, mirrored or
// shifted result cannot pass for it.
QImage photo(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x * 255 / size.width(), y * 255 / size.height(), 90));
    return image;
}

// The same JPEG claiming another size in its frame header.
QByteArray claimingSize(QByteArray jpeg, QSize size)
{
    qsizetype frame = jpeg.indexOf(QByteArray::fromHex("ffc0"));
    if (frame < 0)
        frame = jpeg.indexOf(QByteArray::fromHex("ffc2"));
    const char dimensions[4] = {char(size.height() >> 8), char(size.height()),
                                char(size.width() >> 8), char(size.width())};
    return jpeg.replace(frame + 5, 4, QByteArray(dimensions, 4));
}

void appendLe(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += char(value >> (8 * i));
}

// An 8-bit BMP with a palette of grey levels (colour i is grey 16 i).
QByteArray bmp8(int width, int height, int colours, quint32 compression, const QByteArray &pixels)
{
    QByteArray palette;
    for (int i = 0; i < colours; ++i)
        palette += QByteArray(3, char(16 * i)) + '\0';
    const int offset = 14 + 40 + int(palette.size());
    QByteArray out = "BM";
    appendLe(out, quint32(offset + pixels.size()), 4);
    appendLe(out, 0, 4);
    appendLe(out, quint32(offset), 4);
    for (const auto &[value, bytes] :
         std::initializer_list<std::pair<quint32, int>>{{40, 4},
                                                        {quint32(width), 4},
                                                        {quint32(height), 4},
                                                        {1, 2},
                                                        {8, 2},
                                                        {compression, 4},
                                                        {quint32(pixels.size()), 4},
                                                        {2835, 4},
                                                        {2835, 4},
                                                        {quint32(colours), 4},
                                                        {0, 4}})
        appendLe(out, value, bytes);
    return out + palette + pixels;
}

QImage greys(int width, const QList<int> &topDownIndices)
{
    QImage image(width, int(topDownIndices.size()) / width, QImage::Format_RGB32);
    for (int i = 0; i < topDownIndices.size(); ++i)
        image.setPixel(
            i % width, i / width,
            qRgb(16 * topDownIndices[i], 16 * topDownIndices[i], 16 * topDownIndices[i]));
    return image;
}

// A GIF of one picture given as LZW codes; its four colours are black, red,
// green and blue. Codes are packed at the widths a decoder reads them.
constexpr int Clear = 4, End = 5;
const QRgb GifColours[4] = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};

QByteArray gif(QSize screen, QSize frame, const QList<int> &codes, bool colourTable = true)
{
    QByteArray out = "GIF89a";
    appendLe(out, quint32(screen.width()), 2);
    appendLe(out, quint32(screen.height()), 2);
    out += char(colourTable ? 0x81 : 0x00);
    out += QByteArray(2, '\0');
    if (colourTable)
        for (QRgb colour : GifColours) {
            out += char(qRed(colour));
            out += char(qGreen(colour));
            out += char(qBlue(colour));
        }
    out += ',';
    appendLe(out, 0, 4);
    appendLe(out, quint32(frame.width()), 2);
    appendLe(out, quint32(frame.height()), 2);
    out += char(0);
    out += char(2); // LZW code size

    QByteArray data;
    quint32 accumulator = 0;
    int held = 0, width = 3, next = 6;
    bool first = true;
    for (int code : codes) {
        accumulator |= quint32(code) << held;
        held += width;
        while (held >= 8) {
            data += char(accumulator);
            accumulator >>= 8;
            held -= 8;
        }
        if (code == Clear) {
            width = 3, next = 6, first = true;
        } else if (code != End) {
            if (!first && next < 4096 && ++next == (1 << width) && width < 12)
                ++width;
            first = false;
        }
    }
    if (held > 0)
        data += char(accumulator);
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        out += char(block.size()) + block;
    }
    return out + '\0' + ';';
}

QList<int> literally(const QList<int> &pixels)
{
    return QList<int>{Clear} + pixels + QList<int>{End};
}

QImage gifPicture(int width, const QList<int> &pixels)
{
    QImage image(width, int(pixels.size()) / width, QImage::Format_RGB32);
    for (int i = 0; i < pixels.size(); ++i)
        image.setPixel(i % width, i / width, GifColours[pixels[i]]);
    return image;
}

// A PNG chunk's checksum, big-endian.
QByteArray crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFF;
    for (char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
    }
    crc = ~crc;
    return QByteArray{1, char(crc >> 24)} + char(crc >> 16) + char(crc >> 8) + char(crc);
}

QByteArray pngChunkFlipped(QByteArray png, const char *type)
{
    const qsizetype at = png.indexOf(type);
    png[at + 8] = char(png[at + 8] ^ 0x5A);
    return png;
}

// What a file must give: a picture, or a failure with this number and words.
struct Made {
    QString path;
    QImage picture; // null when a failure is due
};

using Maker = std::function<Made(const QTemporaryDir &)>;

// A kind of file with what it must give: the picture (number 0), or a failure
// of that number whose text has these words.
struct Case {
    const char *kind;
    int number;
    const char *words;
    Maker make;
};

// Qt's own reading of a whole file, turned upright: what the data gives.
QImage asQtReadsIt(const QString &path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

Made jpegFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = writeBytes(dir, name, bytes);
    return {path, asQtReadsIt(path)};
}

Made failing(const QString &path)
{
    return {path, QImage()};
}

const QByteArray Jpeg = encoded(photo({120, 80}), "jpeg");
const QByteArray Progressive = encoded(photo({120, 80}), "jpeg", true);
const QImage Rgba = [] {
    QImage image = photo({30, 20}).convertToFormat(QImage::Format_ARGB32);
    image.setPixel(3, 4, qRgba(10, 20, 30, 0));
    return image;
}();
const QByteArray Png = encoded(Rgba, "png");
// Runs of 4 x index 1 (bottom row) and 2, 3, 2, 3 (top row), each row ended.
const QByteArray Rle = QByteArray::fromHex("04010000"
                                           "000402030203"
                                           "00000001");
const QList<int> GifPixels = {0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 2, 2};

const std::vector<Case> &cases()
{
    static const std::vector<Case> table = {
        // Not a picture file at all.
        {"missing file", 53, "was not found",
         [](auto &d) { return failing(d.filePath("gone.jpg")); }},
        {"link to nothing", 53, "was not found",
         [](auto &d) {
             QFile::link(d.filePath("gone.jpg"), d.filePath("dangling.jpg"));
             return failing(d.filePath("dangling.jpg"));
         }},
        {"folder", 75, "is a folder",
         [](auto &d) {
             QDir(d.path()).mkdir("folder.jpg");
             return failing(d.filePath("folder.jpg"));
         }},
        {"named pipe", 75, "is a named pipe",
         [](auto &d) {
             ::mkfifo(QFile::encodeName(d.filePath("pipe.jpg")).constData(), 0600);
             return failing(d.filePath("pipe.jpg"));
         }},
        {"link to a named pipe", 75, "is a named pipe",
         [](auto &d) {
             ::mkfifo(QFile::encodeName(d.filePath("pipe")).constData(), 0600);
             QFile::link(d.filePath("pipe"), d.filePath("pipe-link.jpg"));
             return failing(d.filePath("pipe-link.jpg"));
         }},
        {"socket", 75, "is a socket",
         [](auto &d) {
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             qstrncpy(address.sun_path, QFile::encodeName(d.filePath("s.jpg")).constData(),
                      sizeof address.sun_path);
             const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
             ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
             ::close(fd);
             return failing(d.filePath("s.jpg"));
         }},
        {"device /dev/null", 75, "is a device", [](auto &) { return failing("/dev/null"); }},
        {"device /dev/urandom", 75, "is a device", [](auto &) { return failing("/dev/urandom"); }},
        {"sparse 3 GB file with JPEG markers", 7, "the file has 3,072 MB, more than the 1,024 MB",
         [](auto &d) {
             QFile file(d.filePath("sparse.jpg"));
             file.open(QIODevice::WriteOnly);
             file.write(Jpeg.left(600));
             file.resize(qint64(3) << 30);
             return failing(file.fileName());
         }},
        {"empty file", 481, "the file is empty",
         [](auto &d) { return failing(writeBytes(d, "empty.jpg", {})); }},
        {"text named .jpg", 481, "not a JPEG, PNG, GIF, BMP, WebP or TIFF",
         [](auto &d) { return failing(writeBytes(d, "notes.jpg", "Not a picture.\n")); }},
        // JPEG.
        {"JPEG", 0, "", [](auto &d) { return jpegFile(d, "whole.jpg", Jpeg); }},
        {"JPEG with bytes after its end", 0, "",
         [](auto &d) { return jpegFile(d, "trailer.jpg", Jpeg + QByteArray(100, '\0')); }},
        {"JPEG turned by EXIF (6)", 0, "",
         [](auto &d) { return jpegFile(d, "turned6.jpg", test::withExifOrientation(Jpeg, 6)); }},
        {"JPEG turned by EXIF (3)", 0, "",
         [](auto &d) { return jpegFile(d, "turned3.jpg", test::withExifOrientation(Jpeg, 3)); }},
        {"JPEG turned by EXIF (7)", 0, "",
         [](auto &d) { return jpegFile(d, "turned7.jpg", test::withExifOrientation(Jpeg, 7)); }},
        {"grey JPEG", 0, "",
         [](auto &d) {
             return jpegFile(
                 d, "grey.jpg",
                 encoded(photo({50, 40}).convertToFormat(QImage::Format_Grayscale8), "jpeg"));
         }},
        {"progressive JPEG", 0, "",
         [](auto &d) { return jpegFile(d, "progressive.jpg", Progressive); }},
        {"JPEG cut in half", 481, "is damaged: its data ends at byte",
         [](auto &d) { return failing(writeBytes(d, "cut.jpg", Jpeg.left(Jpeg.size() / 2))); }},
        {"progressive JPEG cut mid-scan, end marker added", 481, "is damaged: Corrupt JPEG data",
         [](auto &d) {
             return failing(writeBytes(d, "cut-progressive.jpg",
                                       Progressive.left(Progressive.size() * 2 / 3) +
                                           QByteArray::fromHex("ffd9")));
         }},
        {"JPEG with stray bytes before its end marker", 481, "extraneous bytes",
         [](auto &d) {
             return failing(writeBytes(d, "stray.jpg", Jpeg.chopped(2) + "\x12\x34\xff\xd9"));
         }},
        {"progressive JPEG claiming 16000 x 15000", 7, "16000 x 15000 pixels need",
         [](auto &d) {
             return failing(writeBytes(d, "claims.jpg", claimingSize(Progressive, {16000, 15000})));
         }},
        {"JPEG claiming 60000 x 60000", 7, "60000 x 60000 pixels need",
         [](auto &d) {
             return failing(writeBytes(d, "huge.jpg", claimingSize(Jpeg, {60000, 60000})));
         }},
        // PNG.
        {"PNG with transparency", 0, "",
         [](auto &d) {
             return Made{writeBytes(d, "alpha.png", Png), Rgba};
         }},
        {"16-bit PNG", 0, "",
         [](auto &d) {
             QImage deep = photo({40, 30}).convertToFormat(QImage::Format_RGBX64);
             return Made{writeBytes(d, "deep.png", encoded(deep, "png")),
                         deep.convertToFormat(QImage::Format_RGB32)};
         }},
        {"PNG cut in half", 481, "is damaged: its data ends at byte",
         [](auto &d) { return failing(writeBytes(d, "cut.png", Png.left(Png.size() / 2))); }},
        {"PNG with damaged pixel data", 481, "its picture data is damaged",
         [](auto &d) { return failing(writeBytes(d, "crc.png", pngChunkFlipped(Png, "IDAT"))); }},
        {"grey PNG claiming 16000 x 16000", 7, "16000 x 16000 pixels need",
         [](auto &d) {
             QByteArray png = encoded(QImage(8, 8, QImage::Format_Grayscale8), "png");
             png.replace(16, 8, QByteArray::fromHex("00003e8000003e80"));
             png.replace(29, 4, crc32(png.mid(12, 17)));
             return failing(writeBytes(d, "zeros.png", png));
         }},
        // Through Qt's plugins.
        {"TIFF", 0, "",
         [](auto &d) {
             return Made{writeBytes(d, "whole.tif", encoded(photo({30, 20}), "tiff")),
                         photo({30, 20})};
         }},
        {"WebP cut short", 481, "its picture data is damaged",
         [](auto &d) {
             const QByteArray webp = encoded(photo({64, 64}), "webp");
             return failing(writeBytes(d, "cut.webp", webp.left(webp.size() * 9 / 10)));
         }},
        // GIF.
        {"GIF", 0, "",
         [](auto &d) {
             return Made{writeBytes(d, "whole.gif", gif({4, 3}, {4, 3}, literally(GifPixels))),
                         gifPicture(4, GifPixels)};
         }},
        {"GIF cut in half", 481, "is damaged: its data ends at byte",
         [](auto &d) {
             const QByteArray whole = gif({4, 3}, {4, 3}, literally(GifPixels));
             return failing(writeBytes(d, "cut.gif", whole.left(whole.size() / 2 + 4)));
         }},
        {"GIF whose codes stop early", 481, "stops after 7 of its 12 pixels",
         [](auto &d) {
             return failing(
                 writeBytes(d, "short.gif", gif({4, 3}, {4, 3}, literally(GifPixels.mid(0, 7)))));
         }},
        {"GIF with a code not yet defined", 481, "invalid code",
         [](auto &d) {
             return failing(writeBytes(d, "code.gif", gif({4, 3}, {4, 3}, {Clear, 6, End})));
         }},
        {"GIF without colours", 481, "no colour table",
         [](auto &d) {
             return failing(
                 writeBytes(d, "colourless.gif", gif({4, 3}, {4, 3}, literally(GifPixels), false)));
         }},
        {"GIF of 65535 x 65535", 7, "65535 x 65535 pixels need",
         [](auto &d) {
             return failing(
                 writeBytes(d, "vast.gif", gif({65535, 65535}, {65535, 65535}, literally({1}))));
         }},
        // BMP.
        {"BMP", 0, "",
         [](auto &d) {
             return Made{writeBytes(d, "whole.bmp", encoded(photo({33, 21}), "bmp")),
                         photo({33, 21})};
         }},
        {"8-bit BMP", 0, "",
         [](auto &d) {
             return Made{writeBytes(d, "indexed.bmp",
                                    bmp8(4, 2, 4, 0, QByteArray::fromHex("0102030000000000"))),
                         greys(4, {0, 0, 0, 0, 1, 2, 3, 0})};
         }},
        {"BMP cut in half", 481, "after 49 of its 100 rows",
         [](auto &d) {
             const QByteArray whole = encoded(photo({100, 100}), "bmp");
             return failing(writeBytes(d, "cut.bmp", whole.left(whole.size() / 2)));
         }},
        {"run-length BMP", 0, "",
         [](auto &d) {
             return Made{writeBytes(d, "rle.bmp", bmp8(4, 2, 4, 1, Rle)),
                         greys(4, {2, 3, 2, 3, 1, 1, 1, 1})};
         }},
        {"run-length BMP that skips pixels", 481, "skips pixels in row 1",
         [](auto &d) {
             return failing(writeBytes(d, "delta.bmp",
                                       bmp8(4, 2, 4, 1, QByteArray::fromHex("0201000201000000"))));
         }},
        {"run-length BMP that ends early", 481, "stop in row 2 of 2",
         [](auto &d) {
             return failing(
                 writeBytes(d, "early.bmp", bmp8(4, 2, 4, 1, QByteArray::fromHex("040100000001"))));
         }},
        {"run-length BMP that overruns a row", 481, "row 1 runs past its end",
         [](auto &d) {
             return failing(writeBytes(d, "over.bmp",
                                       bmp8(4, 2, 4, 1,
                                            QByteArray::fromHex("0601000000010"
                                                                "001"))));
         }},
        {"BMP using a colour its palette lacks", 481, "uses colour 7 of a 2-colour table",
         [](auto &d) {
             return failing(writeBytes(d, "palette.bmp",
                                       bmp8(4, 2, 2, 0, QByteArray::fromHex("0107000000000000"))));
         }},
        {"BMP claiming 30000 x 30000", 7, "30000 x 30000 pixels need",
         [](auto &d) {
             QByteArray bmp = encoded(photo({8, 8}), "bmp");
             bmp.replace(18, 8, QByteArray::fromHex("3075000030750000"));
             return failing(writeBytes(d, "huge.bmp", bmp));
         }},
        {"BMP claiming 2147483647 x 2147483647", 7, "2147483647 x 2147483647 pixels need",
         [](auto &d) {
             QByteArray bmp = encoded(photo({8, 8}), "bmp");
             bmp.replace(18, 8, QByteArray::fromHex("ffffff7fffffff7f"));
             return failing(writeBytes(d, "vast.bmp", bmp));
         }},
        {"BMP holding a JPEG", 481, "kind of BMP this program cannot read",
         [](auto &d) {
             QByteArray bmp = bmp8(4, 2, 4, 0, QByteArray(8, '\0'));
             bmp[28] = 24;
             bmp[30] = 4;
             return failing(writeBytes(d, "jpeg.bmp", bmp));
         }},
    };
    return table;
}

struct Figure {
    QString kind, outcome;
    qint64 peakKb;
};

} // namespace

class PictureFilesTest : public QObject {
    Q_OBJECT

    QList<Figure> figures_;

private slots:
    void files_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("words");
        for (const Case &c : cases())
            QTest::newRow(c.kind) << c.number << QString(c.words);
    }

    void files()
    {
        QFETCH(int, number);
        QFETCH(QString, words);
        const QString kind = QTest::currentDataTag();
        QTemporaryDir dir;
        if ((kind == "TIFF" || kind == "WebP cut short") &&
            !QImageReader::supportedImageFormats().contains(kind.left(4).toLower().toLatin1()))
            QSKIP("Qt's image format plugins are not installed");
        const auto found = std::find_if(cases().begin(), cases().end(),
                                        [&](const Case &c) { return kind == c.kind; });
        const Made made = found->make(dir);

        // The fuzzers' seeds are these files: tests/fuzz/README.
        const QString seeds = qEnvironmentVariable("QUILLANE_SAVE_SEEDS");
        if (!seeds.isEmpty() && QFileInfo(made.path).isFile() &&
            QFileInfo(made.path).size() < 65536)
            QFile::copy(made.path, seeds + '/' + QFileInfo(made.path).fileName());

        QtPictureDecoder decoder;
        const qint64 before = resetPeak();
        alarm(30); // a decoder that blocks fails the test instead of hanging it
        const DecodedPicture decoded = decoder.decode(made.path);
        alarm(0);
        const qint64 peak = peakKilobytes() - before;

        if (number == 0) {
            QVERIFY2(decoded.ok(), qPrintable(decoded.failure->description));
            QVERIFY(!made.picture.isNull());
            QCOMPARE(decoded.image.convertToFormat(QImage::Format_ARGB32),
                     made.picture.convertToFormat(QImage::Format_ARGB32));
            figures_ << Figure{kind, "picture, exact", peak};
        } else {
            QVERIFY2(!decoded.ok(), qPrintable(kind));
            QVERIFY(decoded.image.isNull());
            const QString text = decoded.failure->description;
            QVERIFY2(text.contains(words), qPrintable(text));
            QVERIFY2(text.startsWith('"' + failures::shownFileName(made.path) + '"'),
                     qPrintable(text));
            QCOMPARE(decoded.failure->number, number);
            figures_ << Figure{kind, QString::number(number) + ": " + text, peak};
        }
    }

    // Figures for the record: each file's outcome and the peak memory its
    // decoding added.
    void cleanupTestCase()
    {
        for (const Figure &f : std::as_const(figures_))
            qInfo("| %s | %s | %lld KB |", qPrintable(f.kind), qPrintable(f.outcome), f.peakKb);
    }

    void transparencyIsKept()
    {
        QTemporaryDir dir;
        const DecodedPicture decoded = QtPictureDecoder().decode(writeBytes(dir, "a.png", Png));
        QVERIFY(decoded.ok());
        QCOMPARE(decoded.image.format(), QImage::Format_ARGB32);
        QCOMPARE(decoded.image, Rgba);
    }

    // The decoding later asked for a slot's display: the smallest 1/8 step
    // that covers the target, straight from the DCT.
    void jpegDecodesStraightToATarget_data()
    {
        QTest::addColumn<QSize>("target");
        QTest::addColumn<QSize>("size");
        QTest::newRow("none") << QSize() << QSize(120, 80);
        QTest::newRow("a quarter") << QSize(30, 20) << QSize(30, 20);
        QTest::newRow("just over a quarter") << QSize(31, 10) << QSize(45, 30);
        QTest::newRow("larger than the picture") << QSize(500, 500) << QSize(120, 80);
    }

    void jpegDecodesStraightToATarget()
    {
        QFETCH(QSize, target);
        QFETCH(QSize, size);
        const DecodedPicture decoded = QtPictureDecoder().decodeBytes(Jpeg, "x.jpg", target);
        QVERIFY(decoded.ok());
        QCOMPARE(decoded.image.size(), size);
        QByteArray copy = Jpeg;
        QBuffer buffer(&copy);
        QImageReader scaled(&buffer, "jpeg");
        scaled.setScaledSize(size);
        if (size == QSize(30, 20)) // Qt scales by halves only
            QCOMPARE(decoded.image, scaled.read().convertToFormat(QImage::Format_RGB32));
    }

    // A name of 255 characters has no blank to wrap at: it is shortened in
    // the middle, and the reason shows whole in the message window.
    void longNamesLeaveTheReasonVisible()
    {
        QTemporaryDir dir;
        const QString name = QString(243, 'n') + "-cut-end.jpg";
        const QString path = writeBytes(dir, name, Jpeg.left(300));
        QVERIFY(!path.isEmpty());
        const DecodedPicture decoded = QtPictureDecoder().decode(path);
        QVERIFY(!decoded.ok());
        QVERIFY(decoded.failure->description.contains(QString(20, 'n') + QChar(0x2026)));
        QVERIFY(decoded.failure->description.contains("-cut-end.jpg\" is damaged"));

        MessageDialog dialog(nullptr, *decoded.failure);
        auto *text = dialog.findChild<WrappingText *>("Label1");
        QVERIFY(text);
        QCOMPARE(text->text(), decoded.failure->description);
        QVERIFY(text->wrappedSize().height() <= text->height());
        QVERIFY(text->wrappedSize().width() <= text->width());
    }

    // A picture whose needs come close to the limit decodes, with a peak well
    // under the limit plus a quarter; one that needs more is refused before
    // anything is decoded. Under AddressSanitizer a quarter of the limit is
    // used, to keep the run short.
    void memoryAtTheLimit()
    {
        const qint64 limit =
            UnderAsan ? QtPictureDecoder::LimitBytes / 4 : QtPictureDecoder::LimitBytes;
        // 16384 pixels wide: the picture takes 64 KB a row.
        const int rows = int((limit - (16 << 20)) / (16384 * 4));
        QByteArray row(16384 * 3, '\0');
        for (int x = 0; x < 16384; ++x)
            row[3 * x] = char(x);
        QImage source(16384, rows, QImage::Format_RGB888);
        source.fill(0);
        for (int y = 0; y < rows; y += 64)
            memcpy(source.scanLine(y), row.constData(), row.size());
        QByteArray jpeg;
        {
            QBuffer buffer(&jpeg);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "jpeg");
            writer.setQuality(10);
            QVERIFY(writer.write(source));
        }
        source = QImage();

        QtPictureDecoder decoder(limit);
        const qint64 before = resetPeak();
        DecodedPicture decoded = decoder.decodeBytes(jpeg, "limit.jpg");
        const qint64 peak = (peakKilobytes() - before) << 10;
        QVERIFY2(decoded.ok(), qPrintable(decoded.failure->description));
        QCOMPARE(decoded.image.size(), QSize(16384, rows));
        qInfo("Peak above idle for %d x %d (%lld MB of %lld MB): %lld MB", 16384, rows,
              decoded.image.sizeInBytes() >> 20, limit >> 20, peak >> 20);
        QVERIFY(peak <= limit + limit / 4);
        decoded = {};

        const QByteArray over = claimingSize(jpeg, {16384, rows + 1024});
        const DecodedPicture refused = decoder.decodeBytes(over, "over.jpg");
        QVERIFY(!refused.ok());
        QCOMPARE(refused.failure->number, 7);
    }
};

QTEST_MAIN(PictureFilesTest)
#include "picture_files_test.moc"
