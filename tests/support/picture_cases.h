// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Picture files made to order, whole and damaged in every way a decoder
// meets, with what reading each must give; shared by picture_files_test and
// the figures tool that times them.
#include "base/Failures.h"
#include "base/FileNames.h"
#include "pictures/QtPictureDecoder.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>

#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <malloc.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace quillane::test::filecases {

using test::fileBytes;
using test::writeBytes;

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool UnderAsan = true;
#else
inline constexpr bool UnderAsan = false;
#endif

// ---- Memory of this process, from the kernel's own accounting ----

// Resets the peak to what the process holds now, and returns that; memory
// freed but kept by the allocator, which a decoder would use without it
// showing, is handed back first.
inline qint64 resetPeak()
{
    malloc_trim(0);
    QFile refs("/proc/self/clear_refs");
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
    return test::statusKilobytes("VmRSS:");
}

inline qint64 peakKilobytes()
{
    return test::statusKilobytes("VmHWM:");
}

// ---- Files made to order ----

// A picture with detail in both directions, so that a turned, mirrored or
// shifted result cannot pass for it; the damage cases below are cut to its bytes.
inline QImage photo(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x * 255 / size.width(), y * 255 / size.height(), 90));
    return image;
}

// The same JPEG claiming another size in its frame header.
inline QByteArray claimingSize(QByteArray jpeg, QSize size)
{
    qsizetype frame = jpeg.indexOf(QByteArray::fromHex("ffc0"));
    if (frame < 0)
        frame = jpeg.indexOf(QByteArray::fromHex("ffc2"));
    const char dimensions[4] = {char(size.height() >> 8), char(size.height()),
                                char(size.width() >> 8), char(size.width())};
    return jpeg.replace(frame + 5, 4, QByteArray(dimensions, 4));
}

inline void appendLe(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += char(value >> (8 * i));
}

// An 8-bit BMP with a palette of grey levels (colour i is grey 16 i).
inline QByteArray bmp8(int width, int height, int colours, quint32 compression,
                       const QByteArray &pixels)
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

inline QImage greys(int width, const QList<int> &topDownIndices)
{
    QImage image(width, int(topDownIndices.size()) / width, QImage::Format_RGB32);
    for (int i = 0; i < topDownIndices.size(); ++i)
        image.setPixel(
            i % width, i / width,
            qRgb(16 * topDownIndices[i], 16 * topDownIndices[i], 16 * topDownIndices[i]));
    return image;
}

// A GIF of one picture given as LZW codes of the given starting size; its
// four colours are black, red, green and blue. Codes are packed at the
// widths a decoder reads them.
constexpr int Clear = 4, End = 5;
inline const QRgb GifColours[4] = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0),
                                   qRgb(0, 0, 255)};

inline QByteArray gif(QSize screen, QSize frame, const QList<int> &codes, bool colourTable = true,
                      int codeSize = 2)
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
    out += char(codeSize);

    QByteArray data;
    const int clear = 1 << codeSize;
    quint32 accumulator = 0;
    int held = 0, width = codeSize + 1, next = clear + 2;
    bool first = true;
    for (int code : codes) {
        accumulator |= quint32(code) << held;
        held += width;
        while (held >= 8) {
            data += char(accumulator);
            accumulator >>= 8;
            held -= 8;
        }
        if (code == clear) {
            width = codeSize + 1, next = clear + 2, first = true;
        } else if (code != clear + 1) {
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

inline QList<int> literally(const QList<int> &pixels)
{
    return QList<int>{Clear} + pixels + QList<int>{End};
}

inline QImage gifPicture(int width, const QList<int> &pixels)
{
    QImage image(width, int(pixels.size()) / width, QImage::Format_RGB32);
    for (int i = 0; i < pixels.size(); ++i)
        image.setPixel(i % width, i / width, GifColours[pixels[i]]);
    return image;
}

inline QByteArray pngChunkFlipped(QByteArray png, const char *type)
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
inline QImage asQtReadsIt(const QString &path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

inline Made jpegFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = writeBytes(dir, name, bytes);
    return {path, asQtReadsIt(path)};
}

inline Made failing(const QString &path)
{
    return {path, QImage()};
}

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int value : values)
        out += char(value);
    return out;
}

inline QByteArray be(quint32 value, int count)
{
    QByteArray out;
    for (int i = count - 1; i >= 0; --i)
        out += char(value >> (8 * i));
    return out;
}

// An 8-bit PNG of grey levels, or of palette indices when a palette is
// given; rows as the file keeps them (each after its filter byte).
inline QByteArray png(QSize size, const QByteArray &rows, const QList<QRgb> &palette = {})
{
    QByteArray colours;
    for (QRgb colour : palette)
        colours += bytes({qRed(colour), qGreen(colour), qBlue(colour)});
    return "\x89PNG\r\n\x1a\n" +
           test::pngChunk("IHDR", be(quint32(size.width()), 4) + be(quint32(size.height()), 4) +
                                      bytes({8, palette.isEmpty() ? 0 : 3, 0, 0, 0})) +
           (palette.isEmpty() ? QByteArray() : test::pngChunk("PLTE", colours)) +
           test::pngChunk("IDAT", qCompress(rows).mid(4)) + test::pngChunk("IEND", {});
}

// A PNG and the picture it holds: grey level i % 251 at the i-th pixel.
inline Made greyLine(const QTemporaryDir &dir, QSize size)
{
    QByteArray rows;
    QImage picture(size, QImage::Format_Grayscale8);
    for (int y = 0, i = 0; y < size.height(); ++y) {
        rows += '\0';
        for (int x = 0; x < size.width(); ++x, ++i) {
            rows += char(i % 251);
            picture.scanLine(y)[x] = uchar(i % 251);
        }
    }
    return {writeBytes(dir, "line.png", png(size, rows)), picture};
}

// Bits packed high first, with the zero byte JPEG puts after each 0xFF.
class JpegBits {
public:
    void put(quint32 value, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            byte_ = byte_ << 1 | (value >> i & 1);
            if (++held_ == 8) {
                out_ += char(byte_);
                if (byte_ == 0xFF)
                    out_ += '\0';
                byte_ = held_ = 0;
            }
        }
    }
    QByteArray done()
    {
        while (held_ != 0)
            put(1, 1);
        return std::exchange(out_, {});
    }

private:
    QByteArray out_;
    quint32 byte_ = 0;
    int held_ = 0;
};

inline QByteArray segment(int marker, const QByteArray &data)
{
    return bytes({0xFF, marker}) + be(quint32(data.size() + 2), 2) + data;
}

enum class Uniform { Baseline, Hierarchical, Dnl, Progressive };

// A JPEG of uniform grey 128: every coefficient of every block is zero,
// coded with Huffman tables of a code for each symbol used. Progressive:
// grey, each coefficient alone, the AC ones in 14 bit planes (883 scans).
inline QByteArray uniformJpeg(QSize size, int components, Uniform kind)
{
    const int blocks = (size.width() + 7) / 8 * ((size.height() + 7) / 8);
    QByteArray frame = bytes({8}) + be(kind == Uniform::Dnl ? 0 : size.height(), 2) +
                       be(size.width(), 2) + bytes({components});
    QByteArray scanComponents = bytes({components});
    for (int c = 1; c <= components; ++c) {
        frame += bytes({c, 0x11, 0});
        scanComponents += bytes({c, 0});
    }
    const auto table = [](int classAndId, int length, const QByteArray &symbols) {
        QByteArray counts(16, '\0');
        counts[length - 1] = char(symbols.size());
        return segment(0xC4, bytes({classAndId}) + counts + symbols);
    };
    const auto scan = [&](int first, int last, int high, int low, const QByteArray &data) {
        return segment(0xDA, scanComponents + bytes({first, last, high << 4 | low})) + data;
    };
    QByteArray out = bytes({0xFF, 0xD8}) + segment(0xDB, QByteArray(1, '\0') + QByteArray(64, 1));
    out += kind == Uniform::Hierarchical
               ? segment(0xDE, frame) + segment(0xC5, frame)
               : segment(kind == Uniform::Progressive ? 0xC2 : 0xC0, frame);
    out += table(0x00, 1, bytes({0})); // DC: no change
    JpegBits bits;
    if (kind != Uniform::Progressive) {
        out += table(0x10, 1, bytes({0})); // AC: end of block
        for (int i = 0; i < blocks * components; ++i)
            bits.put(0, 2);
        out += scan(0, 63, 0, 0, bits.done());
        if (kind == Uniform::Dnl)
            out += segment(0xDC, be(size.height(), 2));
        return out + bytes({0xFF, 0xD9});
    }
    QByteArray runs; // AC: end-of-band runs of 2^r to 2^(r+1) - 1 blocks
    for (int r = 0; r < 15; ++r)
        runs += char(r << 4);
    out += table(0x10, 4, runs);
    for (int i = 0; i < blocks; ++i)
        bits.put(0, 1);
    out += scan(0, 0, 0, 0, bits.done());
    for (int left = blocks; left > 0;) {
        const int run = std::min(left, 32767), r = int(std::log2(run));
        bits.put(r, 4);
        bits.put(run - (1 << r), r);
        left -= run;
    }
    const QByteArray empty = bits.done();
    for (int k = 1; k < 64; ++k)
        for (int low = 13; low >= 0; --low)
            out += scan(k, k, low == 13 ? 0 : low + 1, low, empty);
    return out + bytes({0xFF, 0xD9});
}

inline QImage uniformGrey(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(qRgb(128, 128, 128));
    return image;
}

// Runs a tool the tests' packages bring, for at most a minute.
inline bool tool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        process.kill();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A TIFF of the picture, as Qt writes it and then as tiffcp (libtiff's own
// tool) rewrites it with these options.
inline QString tiff(const QTemporaryDir &dir, const QString &name, const QImage &picture,
                    const QStringList &options)
{
    const QString plain = writeBytes(dir, "plain-" + name, test::encoded(picture, "tiff"));
    return tool("tiffcp", options + QStringList{plain, dir.filePath(name)}) ? dir.filePath(name)
                                                                            : QString();
}

// An animated WebP of two frames of 40 x 30 on a canvas of the given side
// (its frames' size when 0), and its first frame there.
inline Made animatedWebp(const QTemporaryDir &dir, const QString &name, int canvasSide = 0)
{
    const QImage first = photo({40, 30});
    QImage second = first.mirrored(true, false);
    const QString path = dir.filePath(name);
    if (!first.save(dir.filePath("1.png")) || !second.save(dir.filePath("2.png")) ||
        !tool("img2webp", {"-loop", "0", "-lossless", dir.filePath("1.png"), dir.filePath("2.png"),
                           "-o", path}))
        return {};
    if (canvasSide == 0)
        return {path, first};
    QByteArray webp = fileBytes(path); // the canvas's width and height less one, at byte 24
    for (int at : {24, 27})
        for (int i = 0; i < 3; ++i)
            webp[at + i] = char((canvasSide - 1) >> (8 * i));
    QImage canvas(canvasSide, canvasSide, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    QPainter(&canvas).drawImage(0, 0, first);
    return {writeBytes(dir, name, webp), canvas};
}

// Removes the files of dir whose names are not UTF-8, which QTemporaryDir
// cannot.
inline void removeByteNames(const QTemporaryDir &dir)
{
    const QByteArray folder = QFile::encodeName(dir.path());
    if (DIR *entries = ::opendir(folder.constData())) {
        while (const dirent *entry = ::readdir(entries))
            if (fileNames::fromNative(entry->d_name) != QFile::decodeName(entry->d_name))
                ::unlink((folder + '/' + entry->d_name).constData());
        ::closedir(entries);
    }
}

// A file whose name is these bytes, in dir; its path as the program keeps it.
inline QString nativeFile(const QTemporaryDir &dir, const QByteArray &name,
                          const QByteArray &content)
{
    const QByteArray path = QFile::encodeName(dir.path()) + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const bool written =
        fd >= 0 && ::write(fd, content.constData(), size_t(content.size())) == content.size();
    if (fd >= 0)
        ::close(fd);
    return written ? fileNames::fromNative(path) : QString();
}

inline const QByteArray Jpeg = test::encoded(photo({120, 80}), "jpeg");
inline const QByteArray Progressive = test::encoded(photo({120, 80}), "jpeg", -1, true);
inline const QImage Rgba = [] {
    QImage image = photo({30, 20}).convertToFormat(QImage::Format_ARGB32);
    image.setPixel(3, 4, qRgba(10, 20, 30, 0));
    return image;
}();
inline const QByteArray Png = test::encoded(Rgba, "png");
// Runs of 4 x index 1 (bottom row) and 2, 3, 2, 3 (top row), each row ended.
inline const QByteArray Rle = QByteArray::fromHex("04010000"
                                                  "000402030203"
                                                  "00000001");
inline const QList<int> GifPixels = {0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 2, 2};

inline const std::vector<Case> &cases()
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
        {"sparse 1000 MB file with a JPEG header", 481,
         "is damaged: its data has no marker from byte",
         [](auto &d) {
             QFile file(d.filePath("sparse1000.jpg"));
             file.open(QIODevice::WriteOnly);
             file.write(Jpeg.left(600));
             file.resize(qint64(1000) << 20);
             return failing(file.fileName());
         }},
        {"name with a line break and bytes that are not UTF-8", 0, "",
         [](auto &d) {
             return Made{nativeFile(d, "cover\n\xE9t\xE9.jpg", Jpeg),
                         asQtReadsIt(writeBytes(d, "plain.jpg", Jpeg))};
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
        {"JPEG with an XMP block before its EXIF (6)", 0, "",
         [](auto &d) {
             const QByteArray xmp = "http://ns.adobe.com/xap/1.0/" + QByteArray(1, '\0') + "<x/>";
             const QByteArray turned = test::withExifOrientation(Jpeg, 6);
             return Made{
                 writeBytes(d, "xmp.jpg", turned.left(2) + segment(0xE1, xmp) + turned.mid(2)),
                 asQtReadsIt(writeBytes(d, "exif.jpg", turned))};
         }},
        {"JPEG of 800 APP1 segments of 64 KB", 0, "",
         [](auto &d) {
             const QByteArray xmp =
                 segment(0xE1, "http://ns.adobe.com/xap/1.0/" + QByteArray(65504, ' '));
             return Made{writeBytes(d, "app1.jpg", Jpeg.left(2) + xmp.repeated(800) + Jpeg.mid(2)),
                         asQtReadsIt(writeBytes(d, "plain.jpg", Jpeg))};
         }},
        {"883-scan progressive JPEG of 64 x 64", 0, "",
         [](auto &d) {
             return Made{writeBytes(d, "scans.jpg", uniformJpeg({64, 64}, 1, Uniform::Progressive)),
                         uniformGrey({64, 64})};
         }},
        {"883-scan progressive JPEG of 8192 x 8192", 481,
         "kind of JPEG this program cannot read (progressive in more than 23 scans at 8192 x 8192",
         [](auto &d) {
             return failing(
                 writeBytes(d, "scans8k.jpg", uniformJpeg({8192, 8192}, 1, Uniform::Progressive)));
         }},
        {"hierarchical JPEG", 481, "kind of JPEG this program cannot read (hierarchical)",
         [](auto &d) {
             return failing(
                 writeBytes(d, "dhp.jpg", uniformJpeg({16, 16}, 1, Uniform::Hierarchical)));
         }},
        {"JPEG whose height a DNL marker gives", 481, "(its height given by a DNL marker)",
         [](auto &d) {
             return failing(writeBytes(d, "dnl.jpg", uniformJpeg({16, 16}, 1, Uniform::Dnl)));
         }},
        {"JPEG of two components", 481, "cannot read (2 colour components)",
         [](auto &d) {
             return failing(writeBytes(d, "two.jpg", uniformJpeg({16, 16}, 2, Uniform::Baseline)));
         }},
        {"grey JPEG", 0, "",
         [](auto &d) {
             return jpegFile(
                 d, "grey.jpg",
                 test::encoded(photo({50, 40}).convertToFormat(QImage::Format_Grayscale8), "jpeg"));
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
        {"JPEG with stray bytes before its end marker", 481, "goes on past the end of its picture",
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
             return Made{writeBytes(d, "deep.png", test::encoded(deep, "png")),
                         deep.convertToFormat(QImage::Format_RGB32)};
         }},
        {"PNG cut in half", 481, "is damaged: its data ends at byte",
         [](auto &d) { return failing(writeBytes(d, "cut.png", Png.left(Png.size() / 2))); }},
        {"PNG with damaged pixel data", 481, "is damaged: IDAT: invalid distance code, at byte",
         [](auto &d) { return failing(writeBytes(d, "crc.png", pngChunkFlipped(Png, "IDAT"))); }},
        {"PNG of 1000001 x 1", 0, "",
         [](auto &d) {
             return greyLine(d, {1000001, 1});
         }},
        {"PNG of 1 x 1000001", 0, "",
         [](auto &d) {
             return greyLine(d, {1, 1000001});
         }},
        {"PNG using colour 7 of a 4-colour palette", 481, "use colour 7 of a 4-colour palette",
         [](auto &d) {
             const QByteArray rows = bytes({0, 0, 1, 2, 3, 0, 3, 2, 1, 7});
             return failing(writeBytes(d, "palette.png",
                                       png({4, 2}, rows, QList<QRgb>(GifColours, GifColours + 4))));
         }},
        {"grey PNG claiming 20000 x 20000", 7, "20000 x 20000 pixels need",
         [](auto &d) {
             QByteArray png = test::encoded(QImage(8, 8, QImage::Format_Grayscale8), "png");
             png.replace(
                 8, 25,
                 test::pngChunk("IHDR", QByteArray::fromHex("00004e2000004e20") + png.mid(24, 5)));
             return failing(writeBytes(d, "zeros.png", png));
         }},
        // Through Qt's plugins.
        {"TIFF", 0, "",
         [](auto &d) {
             return Made{writeBytes(d, "whole.tif", test::encoded(photo({30, 20}), "tiff")),
                         photo({30, 20})};
         }},
        {"TIFF in 16 x 16 tiles", 0, "",
         [](auto &d) {
             return Made{tiff(d, "tiles.tif", photo({32, 32}), {"-t", "-w", "16", "-l", "16"}),
                         photo({32, 32})};
         }},
        {"TIFF in tiles that overhang it", 0, "",
         [](auto &d) {
             return Made{tiff(d, "overhang.tif", photo({30, 20}), {"-t", "-w", "16", "-l", "16"}),
                         photo({30, 20})};
         }},
        {"TIFF turned by its orientation (6)", 0, "",
         [](auto &d) {
             QByteArray bytes;
             QBuffer buffer(&bytes);
             buffer.open(QIODevice::WriteOnly);
             QImageWriter writer(&buffer, "tiff");
             writer.setTransformation(QImageIOHandler::TransformationRotate90);
             writer.write(photo({30, 20}));
             return Made{writeBytes(d, "turned.tif", bytes),
                         photo({30, 20}).transformed(QTransform().rotate(90))};
         }},
        {"grey TIFF of 32-bit floats", 0, "",
         [](auto &d) {
             const QImage grey = photo({30, 20}).convertToFormat(QImage::Format_Grayscale8);
             const QString path = d.filePath("float.tif");
             return Made{
                 grey.save(d.filePath("grey.png")) &&
                         tool("convert", {d.filePath("grey.png"), "-define",
                                          "quantum:format=floating-point", "-depth", "32", path})
                     ? path
                     : QString(),
                 grey};
         }},
        {"TIFF cut in half", 481, "is damaged",
         [](auto &d) {
             const QByteArray whole = test::encoded(photo({64, 64}), "tiff");
             return failing(writeBytes(d, "cut.tif", whole.left(whole.size() / 2)));
         }},
        {"WebP cut short", 481, "its data ends at byte",
         [](auto &d) {
             const QByteArray webp = test::encoded(photo({64, 64}), "webp");
             return failing(writeBytes(d, "cut.webp", webp.left(webp.size() * 9 / 10)));
         }},
        {"animated WebP", 0, "", [](auto &d) { return animatedWebp(d, "anim.webp"); }},
        {"animated WebP cut in half", 481, "its data ends at byte",
         [](auto &d) {
             const QByteArray whole = fileBytes(animatedWebp(d, "whole.webp").path);
             return failing(writeBytes(d, "cut-anim.webp", whole.left(whole.size() / 2)));
         }},
        {"animated WebP on a 12000 x 12000 canvas", 0, "",
         [](auto &d) { return animatedWebp(d, "canvas.webp", 12000); }},
        {"animated WebP on a 16384 x 16384 canvas", 7, "16384 x 16384 pixels need",
         [](auto &d) { return failing(animatedWebp(d, "vast.webp", 16384).path); }},
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
        {"GIF using colour 200 of a 4-colour table", 481, "uses colour 200 of a 4-colour table",
         [](auto &d) {
             return failing(writeBytes(
                 d, "colour200.gif",
                 gif({4, 3}, {4, 3}, {256, 0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 2, 200, 257}, true, 8)));
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
             return Made{writeBytes(d, "whole.bmp", test::encoded(photo({33, 21}), "bmp")),
                         photo({33, 21})};
         }},
        {"8-bit BMP", 0, "",
         [](auto &d) {
             return Made{writeBytes(d, "indexed.bmp",
                                    bmp8(4, 2, 4, 0, QByteArray::fromHex("0102030000000000"))),
                         greys(4, {0, 0, 0, 0, 1, 2, 3, 0})};
         }},
        {"24-bit BMP whose pixels start inside its header", 481,
         "its pixel data starts at byte 20, inside its header",
         [](auto &d) {
             QByteArray bmp = test::encoded(photo({33, 21}), "bmp");
             bmp[10] = 20;
             return failing(writeBytes(d, "offset.bmp", bmp));
         }},
        {"BMP cut in half", 481, "after 49 of its 100 rows",
         [](auto &d) {
             const QByteArray whole = test::encoded(photo({100, 100}), "bmp");
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
             QByteArray bmp = test::encoded(photo({8, 8}), "bmp");
             bmp.replace(18, 8, QByteArray::fromHex("3075000030750000"));
             return failing(writeBytes(d, "huge.bmp", bmp));
         }},
        {"BMP claiming 2147483647 x 2147483647", 7, "2147483647 x 2147483647 pixels need",
         [](auto &d) {
             QByteArray bmp = test::encoded(photo({8, 8}), "bmp");
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

// A JPEG 16384 pixels wide whose decoded picture takes limit less 16 MB:
// 64 KB a row.
inline QByteArray limitJpeg(qint64 limit, int *rows)
{
    *rows = int((limit - (16 << 20)) / (16384 * 4));
    QByteArray row(16384 * 3, '\0');
    for (int x = 0; x < 16384; ++x)
        row[3 * x] = char(x);
    QImage source(16384, *rows, QImage::Format_RGB888);
    source.fill(0);
    for (int y = 0; y < *rows; y += 64)
        memcpy(source.scanLine(y), row.constData(), row.size());
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(10);
    return writer.write(source) ? jpeg : QByteArray();
}

} // namespace quillane::test::filecases
