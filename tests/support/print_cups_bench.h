// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The print job for real, on file queues of a private CUPS scheduler, with
// the page rasterised and measured: shared by print_cups_test and the
// figures tool measure_print.
#include "app/MainWindow.h"
#include "base/Failures.h"
#include "covers/CoverSlot.h"
#include "printing/cups/CupsPrinter.h"
#include "support/TestEnvironment.h"
#include "support/print_desktop.h"
#include "support/print_scheduler.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QColorSpace>
#include <QColorTransform>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <memory>

namespace quillane::test::cupsbench {

using Desktop = test::CupsDesktop;

enum class Ink { Red, Blue, Black };

inline bool inked(QRgb pixel, Ink ink)
{
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    switch (ink) {
    case Ink::Red:
        return r > 180 && g < 80 && b < 80;
    case Ink::Blue:
        return b > 180 && r < 80 && g < 80;
    case Ink::Black:
        return r < 80 && g < 80 && b < 80;
    }
    return false;
}

// A rasterised page: the queue's printable area starts left and top inches
// from the sheet's corner, and the page was moved up by shift twips.
struct Page {
    QImage image;
    double left = 0.25, top = 0.5;
    int dpi = 100;
    int shift = 0;

    double x(double twips) const { return (twips / 1440 + left) * dpi; }
    double y(double twips) const { return ((twips - shift) / 1440 + top) * dpi; }

    bool at(int px, int py, Ink ink) const
    {
        return image.valid(px, py) && inked(image.pixel(px, py), ink);
    }
};

struct Box {
    double left, top, right, bottom;
};

inline QString show(const Box &b)
{
    return QString("(%1, %2) to (%3, %4)").arg(b.left).arg(b.top).arg(b.right).arg(b.bottom);
}

// The largest distance between corresponding edges, in pixels.
inline double error(const Box &measured, const Box &expected)
{
    return qMax(
        qMax(qAbs(measured.left - expected.left), qAbs(measured.top - expected.top)),
        qMax(qAbs(measured.right - expected.right), qAbs(measured.bottom - expected.bottom)));
}

// The bounding box of the ink inside the area, pixel edges included.
inline Box inkBox(const Page &page, Ink ink, const QRect &area)
{
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int py = area.top(); py <= area.bottom(); ++py) {
        for (int px = area.left(); px <= area.right(); ++px) {
            if (page.at(px, py, ink)) {
                left = qMin(left, px);
                right = qMax(right, px);
                top = qMin(top, py);
                bottom = qMax(bottom, py);
            }
        }
    }
    return {double(left), double(top), double(right + 1), double(bottom + 1)};
}

// A horizontal or vertical line of the layout, in twips, as the page shows
// it: the row or column near its place that the ink covers best, and the
// first and last inked pixel along it.
inline Box measureLine(const Page &page, Ink ink, int x1, int y1, int x2, int y2, double *coverage)
{
    const bool horizontal = y1 == y2;
    const double across = horizontal ? page.y(y1) : page.x(x1);
    const double from = horizontal ? page.x(x1) : page.y(y1);
    const double to = horizontal ? page.x(x2) : page.y(y2);
    auto inkAt = [&](int along, int at) {
        return horizontal ? page.at(along, at, ink) : page.at(at, along, ink);
    };
    int best = -1;
    *coverage = 0;
    const int reach = 2 * page.dpi / 100;
    for (int at = int(across) - reach; at <= int(across) + reach; ++at) {
        int covered = 0, total = 0;
        for (int along = int(from) + 3 * reach; along <= int(to) - 3 * reach; ++along, ++total)
            covered += inkAt(along, at) ? 1 : 0;
        const double share = total ? double(covered) / total : 0;
        if (share > *coverage) {
            *coverage = share;
            best = at;
        }
    }
    int first = INT_MAX, last = -1;
    for (int along = int(from) - 3 * reach; along <= int(to) + 3 * reach; ++along) {
        if (inkAt(along, best)) {
            first = qMin(first, along);
            last = qMax(last, along);
        }
    }
    if (horizontal)
        return {double(first), best + 0.5, double(last + 1), best + 0.5};
    return {best + 0.5, double(first), best + 0.5, double(last + 1)};
}

struct LineRow {
    const char *name;
    int x1, y1, x2, y2;
    Ink ink;
};

// The worked example's lines: the guides in "LineColor" 255 (red), the borders black.
inline const LineRow WorkedExampleLines[] = {
    {"guide 1", 1790, 8340, 1790, 15058, Ink::Red},
    {"guide 2", 9620, 8340, 9620, 15058, Ink::Red},
    {"front top", 1440, 1000, 8340, 1000, Ink::Black},
    {"front left", 1440, 1000, 1440, 7900, Ink::Black},
    {"front right", 8340, 1000, 8340, 7900, Ink::Black},
    {"front bottom", 1440, 7900, 8340, 7900, Ink::Black},
    {"back top", 1440, 8335, 9965, 8335, Ink::Black},
    {"back left", 1440, 8335, 1440, 15045, Ink::Black},
    {"back right", 9965, 8335, 9965, 15045, Ink::Black},
    {"back bottom", 1440, 15045, 9965, 15045, Ink::Black},
};

// A driverless inkjet: A4 and Letter, 3.00 mm margins beside and 4.23 mm
// above and below, 300 and 600 dpi, PWG raster in grey or colour.
// ippeveprinter adds its own list of formats, with Apple raster, after this
// one; CUPS reads the first.
inline const QByteArray InkjetAttributes = R"(
ATTR keyword media-default iso_a4_210x297mm
ATTR keyword media-supported iso_a4_210x297mm,na_letter_8.5x11in
ATTR collection media-size-supported {MEMBER integer x-dimension 21000 MEMBER integer y-dimension 29700},{MEMBER integer x-dimension 21590 MEMBER integer y-dimension 27940}
ATTR integer media-left-margin-supported 300
ATTR integer media-right-margin-supported 300
ATTR integer media-top-margin-supported 423
ATTR integer media-bottom-margin-supported 423
ATTR resolution printer-resolution-default 600dpi
ATTR resolution printer-resolution-supported 300dpi,600dpi
ATTR resolution pwg-raster-document-resolution-supported 300dpi,600dpi
ATTR keyword pwg-raster-document-type-supported sgray_8,srgb_8
ATTR keyword print-color-mode-supported monochrome,color
ATTR keyword print-color-mode-default color
ATTR mimeMediaType document-format-supported image/pwg-raster
)";

// The first page of a PWG raster file (PWG 5102.4) in 8-bit grey or sRGB,
// and its resolution; a null image when it is anything else or cut short.
inline QImage readPwgRaster(const QString &path, int *dpi)
{
    const QByteArray data = test::fileBytes(path);
    constexpr int HeaderBytes = 1796;
    if (!data.startsWith("RaS2") || data.size() < 4 + HeaderBytes)
        return {};
    const auto *header = reinterpret_cast<const uchar *>(data.constData()) + 4;
    auto field = [header](int offset) { return int(qFromBigEndian<quint32>(header + offset)); };
    *dpi = field(276);
    const int width = field(372), height = field(376), channels = field(388) / 8;
    if (field(384) != 8 || (channels != 1 && channels != 3) || field(392) != width * channels)
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    const uchar *p = header + HeaderBytes;
    const uchar *const end = reinterpret_cast<const uchar *>(data.constData()) + data.size();
    QByteArray line(width * channels, '\0');
    for (int y = 0; y < height;) {
        if (p >= end)
            return {};
        int lines = *p++ + 1;
        for (int x = 0; x < line.size();) {
            const int code = p < end ? *p++ : -1;
            // Up to 128 copies of one pixel, or up to 128 pixels as they are.
            const int bytes = (code < 128 ? code + 1 : 257 - code) * channels;
            const int given = code < 128 ? channels : bytes;
            if (code < 0 || end - p < given || x + bytes > line.size())
                return {};
            for (int i = 0; i < bytes; ++i)
                line[x + i] = char(p[code < 128 ? i % channels : i]);
            p += given;
            x += bytes;
        }
        for (; lines > 0 && y < height; --lines, ++y) {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            const auto *pixel = reinterpret_cast<const uchar *>(line.constData());
            for (int x = 0; x < width; ++x, pixel += channels)
                row[x] = channels == 3 ? qRgb(pixel[0], pixel[1], pixel[2])
                                       : qRgb(pixel[0], pixel[0], pixel[0]);
        }
    }
    return image;
}

// The largest distances of a page's edges and lines from the layout, in pixels.
struct Errors {
    int dpi = 0;
    double pictures = 0, lines = 0;
};

class CupsBench {
protected:
    test::ConfigHome home_;
    QTemporaryDir work_;
    std::unique_ptr<test::PrivateScheduler> cups_;
    std::unique_ptr<Desktop> desktop_;
    std::unique_ptr<MainWindow> window_;
    QStringList messages_;

    bool run(const QString &program, const QStringList &arguments, QString *output = nullptr)
    {
        QString why;
        if (cups_->run(program, arguments, &why, output))
            return true;
        qWarning("%s", qPrintable(why));
        return false;
    }

    void start(CupsPrinter::Resampling resampling = CupsPrinter::Resampling::Down,
               CupsBounds bounds = CupsBounds())
    {
        window_.reset();
        desktop_ = std::make_unique<Desktop>(resampling, bounds);
        window_ = test::showMainWindow(desktop_->platform);
        QVERIFY(window_->windowHandle()->isExposed());
    }

    void load(const char *slot, const QString &path)
    {
        desktop_->commonDialog.openAnswers << path;
        test::clickChild(window_.get(), slot);
    }

    void loadSolidCovers(QSize front = {64, 48}, QSize back = {40, 30})
    {
        load("Image1", test::writePicture(work_, "front.png", front, Qt::red));
        load("Image2", test::writePicture(work_, "back.png", back, Qt::blue));
        QVERIFY(window_->frontSlot().isFilled() && window_->backSlot().isFilled());
    }

    void everythingOn()
    {
        home_.set("GuideLine", "True");
        home_.set("LineColor", "255");
        home_.set("BorderLine", "True");
        home_.set("Border", "Both");
    }

    // Chooses the list entry at this position with the mouse, as a user does.
    static void choose(QWidget *dialog, int position)
    {
        QVERIFY(position >= 0 && position < test::listedIn(dialog).size());
        auto *list = dialog->findChild<QComboBox *>("Combo1");
        list->showPopup();
        QAbstractItemView *view = list->view();
        QTRY_VERIFY(view->isVisible());
        const QRect entry = view->visualRect(list->model()->index(position, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, entry.center());
        QTRY_COMPARE(list->currentIndex(), position);
    }

    // Prints with the "Print to:" answer given; reads any message that follows.
    void print(std::function<void(QWidget *)> answer)
    {
        test::modals() << [answer](QWidget *dialog) {
            QCOMPARE(dialog->objectName(), QString("Form7"));
            answer(dialog);
        };
        test::modals() << [this](QWidget *message) {
            messages_ << message->findChild<QLabel *>("Label6")->text() + " | " +
                             message->findChild<QLabel *>("Label1")->text();
            test::clickChild(message, "Command2");
        };
        test::clickChild(window_.get(), "Command3");
        test::modals().drop();
    }

    static QString messageFor(const Failure &failure)
    {
        return "Error: " + QString::number(failure.number) + " | " + failure.description;
    }

    QStringList filesOut() const { return QDir(cups_->folder() + "/out").entryList(QDir::Files); }

    // PDF with poppler, PostScript with ghostscript, without smoothing.
    QImage rasterise(const QString &file, int dpi)
    {
        const QString png = work_.filePath("page.png");
        QFile::remove(png);
        QFile in(file);
        const bool postScript = in.open(QIODevice::ReadOnly) && in.read(2) == "%!";
        const QString r = QString::number(dpi);
        const bool done =
            postScript ? run("gs", {"-q", "-dSAFER", "-dNOPAUSE", "-dBATCH", "-sDEVICE=png16m",
                                    "-dTextAlphaBits=1", "-dGraphicsAlphaBits=1", "-r" + r,
                                    "-sOutputFile=" + png, file})
                       : run("pdftoppm", {"-r", r, "-aa", "no", "-aaVector", "no", "-png",
                                          "-singlefile", file, png.chopped(4)});
        return done ? QImage(png).convertToFormat(QImage::Format_RGB32) : QImage();
    }

    // The width and height of every picture in a PDF file.
    QList<QSize> picturesIn(const QString &pdf)
    {
        QString listing;
        if (!run("pdfimages", {"-list", pdf}, &listing))
            return {};
        QList<QSize> sizes;
        for (const QString &row : listing.split('\n').mid(2)) {
            const QStringList columns = row.simplified().split(' ');
            if (columns.size() > 4 && columns[2] == "image")
                sizes << QSize(columns[3].toInt(), columns[4].toInt());
        }
        return sizes;
    }

    // The worked example on a rasterised page, each edge and line to
    // tolerance pixels, and nothing else anywhere on the sheet; the largest
    // errors go to largest, if given.
    void checkPage(const Page &page, bool frontOnly, double tolerance, Errors *largest = nullptr)
    {
        QVERIFY(!page.image.isNull());
        // The pictures fill their rectangles; borders and guides lie on top.
        const Box front = {page.x(1440), page.y(1000), page.x(8340), page.y(7900)};
        const Box back = {page.x(1440), page.y(8340), page.x(9970), page.y(15040)};
        const int gap = int(page.y(8120)); // between the two covers
        const Box frontFound = inkBox(page, Ink::Red, QRect(0, 0, page.image.width(), gap));
        const Box backFound = frontOnly ? back : inkBox(page, Ink::Blue, page.image.rect());
        const double pictureError = qMax(error(frontFound, front), error(backFound, back));
        QVERIFY2(error(frontFound, front) <= tolerance,
                 qPrintable(show(frontFound) + " not " + show(front)));
        QVERIFY2(error(backFound, back) <= tolerance,
                 qPrintable(show(backFound) + " not " + show(back)));

        double lineError = 0;
        for (const LineRow &row : WorkedExampleLines) {
            if (frontOnly && !QByteArray(row.name).startsWith("front"))
                continue;
            double coverage = 0;
            const Box found = measureLine(page, row.ink, row.x1, row.y1, row.x2, row.y2, &coverage);
            const Box expected = {page.x(row.x1), page.y(row.y1), page.x(row.x2), page.y(row.y2)};
            QVERIFY2(coverage > 0.95, row.name);
            QVERIFY2(error(found, expected) <= tolerance,
                     qPrintable(QString(row.name) + ": " + show(found) + " not " + show(expected)));
            lineError = qMax(lineError, error(found, expected));
        }
        if (largest)
            *largest = {page.dpi, pictureError, lineError};

        // Nothing else on the page: the whole of it lies on the sheet, where the layout put it.
        int stray = 0;
        const QPoint farthest = frontOnly ? QPoint(int(front.right), int(front.bottom))
                                          : QPoint(int(back.right), int(page.y(15058)));
        const QRect inked(QPoint(int(front.left) - 2, int(front.top) - 2), farthest + QPoint(2, 2));
        for (int py = 0; py < page.image.height(); ++py)
            for (int px = 0; px < page.image.width(); ++px)
                if (!inked.contains(px, py) && page.image.pixel(px, py) != qRgb(255, 255, 255))
                    ++stray;
        QCOMPARE(stray, 0);
    }

    void startScheduler()
    {
        // Before anything asks CUPS: this process and its children use the private scheduler.
        cups_ = std::make_unique<test::PrivateScheduler>();
        QVERIFY(work_.isValid());
    }

    void prepare()
    {
        home_.clear();
        messages_.clear();
        QString why;
        QVERIFY2(cups_->start(&why), qPrintable(why));
        // Alpha is the system default: a page that reaches Beta went where it was sent.
        QVERIFY2(cups_->resetQueues({"Alpha", "Beta"}, &why), qPrintable(why));
    }

    void finish()
    {
        QString ignored;
        cups_->freeze(false, &ignored); // a test that failed while it was frozen
        window_.reset();
        desktop_.reset();
    }

    // Every kind of queue, chosen in the list or as the default, next to a
    // default of another kind, as test data.
    static void queueRows()
    {
        QTest::addColumn<QString>("queue"); // chosen in the list; empty: the default
        QTest::addColumn<QString>("defaultQueue");
        QTest::addColumn<double>("left"); // the queue's printable origin, inches
        QTest::addColumn<double>("top");
        QTest::addColumn<int>("shift"); // twips the page moves up
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("frontOnly");
        QTest::addColumn<QString>("queueDefault"); // an administrator's, on the chosen queue
        const double pt12 = 12.0 / 72;
        const QString printed, none;
        // clang-format off
        QTest::newRow("PDF on A4, chosen; PostScript the default")
            << QString("Alpha") << QString("Post") << 0.25 << 0.5 << 0 << printed << false << none;
        QTest::newRow("PostScript on Letter, chosen; PDF the default")
            << QString("Post") << QString("Alpha") << pt12 << pt12 << 0 << printed << false << none;
        QTest::newRow("PostScript on Letter, the default")
            << QString() << QString("Post") << pt12 << pt12 << 0 << printed << false << none;
        QTest::newRow("PDF on Letter, 0.5 in margins: moved up")
            << QString("Letter") << QString("Post") << 0.25 << 0.5 << 658 << printed << false << none;
        QTest::newRow("an instance on A4 of the Letter queue")
            << QString("Letter/a4") << QString("Post") << 0.25 << 0.5 << 0 << printed << false << none;
        QTest::newRow("1 in margins: does not fit")
            << QString("Tight") << QString("Alpha") << 1.0 << 1.0 << 0
            << messageFor(failures::coversDoNotFit("Tight", "Letter", 610, 1098)) << false << none;
        QTest::newRow("1 in margins, the front alone fits")
            << QString("Tight") << QString("Alpha") << 1.0 << 1.0 << 0 << printed << true << none;
        // The queue's defaults change nothing: one page, upright, unmirrored, at 100 %.
        for (const char *option : {"fit-to-page-default=true", "print-scaling-default=fit",
                                   "print-scaling-default=fill", "number-up-default=2",
                                   "orientation-requested-default=4", "page-border-default=single",
                                   "mirror-default=true", "page-set-default=even"})
            QTest::newRow(qPrintable(QString("PDF on A4 with ") + option))
                << QString("Alpha") << QString("Post") << 0.25 << 0.5 << 0 << printed << false
                << QString(option);
        // Driverless, the page received as PWG raster at 600 dpi. CUPS states
        // the raster page's height in whole points, A4's 841.89 as 842, the
        // paper's foot at its foot: the printable area lies 0.11 points lower.
        const double mm = 1 / 25.4;
        QTest::newRow("IPP Everywhere on A4")
            << QString("Inkjet") << QString("Alpha") << 3 * mm << 4.23 * mm + (842 - 841.8898) / 72
            << 0 << printed << false << none;
        QTest::newRow("IPP Everywhere on Letter, an instance")
            << QString("Inkjet/letter") << QString("Alpha") << 3 * mm << 4.23 * mm << 0 << printed
            << false << none;
        // clang-format on
    }

    // Prints the worked example on the row's queue and checks the page,
    // rasterised at dpi where the queue does not raster it itself.
    void pageLands(int dpi, Errors *largest = nullptr)
    {
        QFETCH(QString, queue);
        QFETCH(QString, defaultQueue);
        QFETCH(double, left);
        QFETCH(double, top);
        QFETCH(int, shift);
        QFETCH(QString, message);
        QFETCH(bool, frontOnly);
        QFETCH(QString, queueDefault);

        QString why;
        const QString driver = "lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd";
        QFile ppd("/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd");
        QVERIFY(ppd.open(QIODevice::ReadOnly));
        const QString tightPpd = work_.filePath("tight.ppd");
        QFile tight(tightPpd);
        QVERIFY(tight.open(QIODevice::WriteOnly));
        tight.write(QString::fromLatin1(ppd.readAll())
                        .replace("*ImageableArea Letter/Letter: \"18 36 594 756\"",
                                 "*ImageableArea Letter/Letter: \"72 72 540 720\"")
                        .toLatin1());
        tight.close();
        QVERIFY2(cups_->resetQueues({}, &why) &&
                     cups_->addQueue("Alpha", {"-m", driver, "-o", "PageSize=A4"}, &why) &&
                     cups_->addQueue("Letter", {"-m", driver, "-o", "PageSize=Letter"}, &why) &&
                     cups_->addQueue(
                         "Post", {"-m", "drv:///sample.drv/generic.ppd", "-o", "PageSize=Letter"},
                         &why) &&
                     cups_->addQueue("Tight", {"-P", tightPpd, "-o", "PageSize=Letter"}, &why),
                 qPrintable(why));
        QVERIFY(run("lpoptions", {"-p", "Letter/a4", "-o", "PageSize=A4"}));
        QVERIFY(run("lpadmin", {"-d", defaultQueue}));
        if (!queueDefault.isEmpty())
            QVERIFY(run("lpadmin", {"-p", queue, "-o", queueDefault}));
        const bool driverless = queue.startsWith("Inkjet");
        if (driverless) {
            QVERIFY2(cups_->addDriverlessQueue("Inkjet", InkjetAttributes, &why), qPrintable(why));
            QVERIFY(run("lpadmin", {"-p", "Inkjet", "-o", "print-color-mode-default=color"}));
            QVERIFY(run("lpoptions", {"-p", "Inkjet/letter", "-o", "PageSize=Letter"}));
        }

        everythingOn();
        start();
        loadSolidCovers();
        if (frontOnly)
            test::clickChild(window_.get(), "Check2");
        QStringList listed;
        print([&](QWidget *dialog) {
            listed = test::listedIn(dialog);
            if (!queue.isEmpty())
                choose(dialog, int(listed.indexOf(queue)));
            test::clickChild(dialog, "Command1");
        });
        // CUPS's own order, instances after their queue, then the file.
        QString order;
        QVERIFY(run("lpstat", {"-e"}, &order));
        QCOMPARE(listed, order.split('\n', Qt::SkipEmptyParts) << "Print to File (PDF)");
        QVERIFY(listed.contains("Letter/a4"));
        QCOMPARE(messages_, message.isEmpty() ? QStringList() : QStringList(message));
        QVERIFY2(cups_->waitForJobs(&why), qPrintable(why));
        const QString target = (queue.isEmpty() ? defaultQueue : queue).section('/', 0, 0);
        QCOMPARE(filesOut(), message.isEmpty() && !driverless
                                 ? QStringList(target.toLower() + ".pdf")
                                 : QStringList());
        if (!message.isEmpty())
            return;

        Page page{{}, left, top, dpi, shift};
        // The document sent declares its colours sRGB, with sRGB's own profile.
        const QByteArray document =
            test::fileBytes(cups_->spooledDocument(desktop_->printer.lastJob()));
        const QString sent = QString::fromLatin1(document); // offsets stay those of the bytes
        const auto intent =
            QRegularExpression(R"(/OutputIntents \[<< /Type /OutputIntent /S /GTS_PDFA1 )"
                               R"(/OutputConditionIdentifier \(sRGB IEC61966-2.1\) .*)"
                               R"(/DestOutputProfile (\d+) 0 R >>\])")
                .match(sent);
        QVERIFY(intent.hasMatch());
        const auto profile = QRegularExpression("\n" + intent.captured(1) +
                                                R"( 0 obj\n<< /N 3 /Length (\d+) >>\nstream\n)")
                                 .match(sent);
        QVERIFY(profile.hasMatch());
        const QColorSpace space = QColorSpace::fromIccProfile(
            document.mid(profile.capturedEnd(), profile.captured(1).toInt()));
        QVERIFY(space.isValid() && space.primaries() == QColorSpace::Primaries::SRgb);
        // sRGB's curve too: nothing changes on the way to sRGB.
        const QColorTransform toSrgb = space.transformationToColorSpace(QColorSpace::SRgb);
        for (int v = 0; v < 256; v += 15) {
            const QRgb grey = qRgb(v, v, v), mapped = toSrgb.map(grey);
            QVERIFY2(qAbs(qRed(mapped) - v) <= 1 && qAbs(qBlue(mapped) - v) <= 1,
                     qPrintable(QString::number(mapped, 16)));
        }
        if (!driverless) {
            page.image = rasterise(cups_->outputOf(target), page.dpi);
            checkPage(page, frontOnly, page.dpi / 100.0, largest);
            return;
        }
        // The document sent is the paper, drawn from its printable corner, to 0.01 mm.
        const auto box = QRegularExpression(R"(/MediaBox \[0 0 (\S+) (\S+)\])").match(sent);
        const auto corner =
            QRegularExpression(R"(\nq 0.05 0 0 -0.05 (\S+) (\S+) cm\n)").match(sent);
        const QSizeF paper =
            queue.endsWith("letter") ? QSizeF(612, 792) : QSizeF(595.2756, 841.8898);
        const double at[] = {box.captured(1).toDouble(), box.captured(2).toDouble(),
                             corner.captured(1).toDouble(), corner.captured(2).toDouble()};
        const double exact[] = {paper.width(), paper.height(), 300 * 72 / 2540.0,
                                paper.height() - 423 * 72 / 2540.0};
        for (int i = 0; i < 4; ++i)
            QVERIFY2(qAbs(at[i] - exact[i]) < 72 / 2540.0, qPrintable(QString::number(at[i])));
        const QStringList received = cups_->driverlessPages();
        QCOMPARE(received.size(), 1);
        page.image = readPwgRaster(received[0], &page.dpi);
        QCOMPARE(page.dpi, 600);
        checkPage(page, frontOnly, 1.0, largest);
    }

    struct Stall {
        qint64 shown = -1, filled = -1; // ms after the click
        QStringList listed;
        qint64 paints = 0, longest = -1; // the main window's, and its longest pause in ms
    };
    // With the scheduler stopped, opens the dialog while a picture box of
    // the main window is repainted every 10 ms, until the list fills.
    Stall printWhileStopped(CupsBounds bounds)
    {
        start(CupsPrinter::Resampling::Down, bounds);
        loadSolidCovers();
        QString why;
        if (!cups_->freeze(true, &why)) {
            QTest::qFail(qPrintable(why), __FILE__, __LINE__);
            return {};
        }

        // A picture box of the main window repainted every 10 ms, while the event loop runs.
        QWidget *box = window_->findChild<QWidget *>("Image1");
        QElapsedTimer clock;
        QList<qint64> paints;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, box, [&] {
            box->repaint();
            paints << clock.elapsed();
        });
        Stall s;
        clock.start();
        tick.start(10);
        print([&](QWidget *dialog) {
            s.shown = clock.elapsed();
            s.listed = test::listedIn(dialog, bounds.connect + 2 * bounds.answer + 3000);
            s.filled = clock.elapsed();
            test::clickChild(dialog, "Command2");
        });
        tick.stop();
        if (!cups_->freeze(false, &why))
            QTest::qFail(qPrintable(why), __FILE__, __LINE__);

        s.paints = paints.size();
        s.longest = paints.value(0, s.filled);
        for (qsizetype i = 1; i < paints.size() && paints[i - 1] < s.filled; ++i)
            s.longest = qMax(s.longest, paints[i] - paints[i - 1]);
        return s;
    }
};

} // namespace quillane::test::cupsbench
