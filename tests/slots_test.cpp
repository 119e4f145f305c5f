// SPDX-License-Identifier: GPL-3.0-or-later
// The front and back cover slots: every transition of a slot, the file
// dialog's protocol, and files that cannot be loaded, through the real
// picture decoder and the real message dialog.
#include "app/MainWindow.h"
#include "covers/CoverSlot.h"
#include "desktop/QtCommonDialog.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QBuffer>
#include <QDeadlineTimer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QLabel>
#include <QSemaphore>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillane;
using test::fileBytes;
using test::withExifOrientation;
using test::writeBytes;

namespace {

// A 3 x 2 GIF of two frames: green, then blue.
const QByteArray AnimatedGif = QByteArray::fromHex(
    "47494638396103000200f0000000ff0000000021f904000000000021ff0b4e45545343415045322e30030100"
    "00002c0000000003000200000202845f0021f90400000000002c0000000003000200800000ff000000020284"
    "5f003b");

// The largest difference of any channel of any pixel, and the mean one.
std::pair<int, double> difference(const QImage &a, const QImage &b)
{
    int largest = 0;
    qint64 sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                largest = std::max(largest, std::abs(d));
                sum += std::abs(d);
            }
        }
    }
    return {largest, double(sum) / (3.0 * a.width() * a.height())};
}

// Decodes as the real decoder does, once the test releases it; never waits
// more than ten seconds.
class BlockingDecoder final : public PictureDecoder {
public:
    PictureFile read(const QString &path) override { return real_.read(path); }
    DecodedPicture decodeBytes(const QByteArray &bytes, const QString &path, QSize target) override
    {
        entered.release();
        released.tryAcquire(1, 10000);
        return real_.decodeBytes(bytes, path, target);
    }

    QSemaphore entered, released;

private:
    QtPictureDecoder real_;
};

} // namespace

class SlotsTest : public QObject, test::MainWindowFixture {
    Q_OBJECT

    test::ConfigHome home_;
    QTemporaryDir files_;
    QString red_, blue_;

    FakeCommonDialog &dialog() { return platform_->commonDialog; }
    CoverSlot &slot(bool front) { return front ? window_->frontSlot() : window_->backSlot(); }
    const char *box(bool front) { return front ? "Image1" : "Image2"; }

    // The picture a slot holds, decoded from its bytes at natural size.
    QImage held(bool front)
    {
        return QtPictureDecoder().decodeBytes(slot(front).bytes(), slot(front).path()).image;
    }

    void press(bool front, Qt::MouseButton button)
    {
        QWidget *target = window_->findChild<QWidget *>(box(front));
        QTest::mousePress(target, button, Qt::NoModifier, QPoint(5, 5));
        QTest::mouseRelease(target, button, Qt::NoModifier, QPoint(5, 5));
    }

    void load(bool front, const QString &path)
    {
        dialog().openAnswers << path;
        press(front, Qt::LeftButton);
    }

    // Answers the next dialog by clicking one of its buttons; records its texts.
    struct Seen {
        QString title;
        QString text;
    };
    std::shared_ptr<Seen> answerNext(const char *button)
    {
        auto seen = std::make_shared<Seen>();
        test::modals() << [seen, button](QWidget *modal) {
            seen->title = modal->findChild<QLabel *>("Label6")->text();
            if (auto *text = modal->findChild<QLabel *>("Label1"))
                seen->text = text->text();
            if (QString(button) == "close")
                modal->close();
            else
                test::clickChild(modal, button);
        };
        return seen;
    }

private slots:
    void initTestCase()
    {
        red_ = test::writePicture(files_, "red.jpg", {64, 48}, Qt::red);
        blue_ = test::writePicture(files_, "blue.bmp", {30, 90}, Qt::blue);
    }

    void init() { start(); }
    void cleanup() { stop(); }

    void slotsLookAsDesigned()
    {
        const struct {
            const char *box, *caption, *text;
            TwipRect boxRect, captionRect;
        } rows[] = {
            {"Image1", "Label1", "FRONT IMAGE", {120, 1200, 2535, 2535}, {120, 2280, 2535, 255}},
            {"Image2", "Label2", "BACK IMAGE", {2760, 1200, 2895, 2535}, {2760, 2280, 2895, 255}}};
        for (const auto &row : rows) {
            auto *box = window_->findChild<QWidget *>(row.box);
            auto *caption = window_->findChild<QLabel *>(row.caption);
            QCOMPARE(box->geometry(), twips::rect(row.boxRect));
            QCOMPARE(box->toolTip(), QString("Load: Left-Click  |  Clear: Right-Click"));
            QCOMPARE(caption->geometry(), twips::rect(row.captionRect));
            QCOMPARE(caption->text(), QString(row.text));
            QCOMPARE(caption->font().pointSizeF(), 8.25);
            QVERIFY(caption->font().bold());
            // The box lies above its caption, which shows through while it is empty.
            QVERIFY(window_->children().indexOf(box) > window_->children().indexOf(caption));
            QVERIFY(caption->isVisible());
        }
    }

    void transitions_data()
    {
        QTest::addColumn<bool>("front");
        QTest::addColumn<bool>("startFilled");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("endPath"); // "old", "new" or ""
        for (bool front : {true, false}) {
            const char *side = front ? "front: " : "back: ";
            auto row = [&](const char *name, bool filled, const char *event, const char *end) {
                QTest::newRow(qPrintable(side + QString(name))) << front << filled << event << end;
            };
            row("empty, file chosen", false, "load", "new");
            row("empty, cancelled", false, "cancel", "");
            row("empty, right press", false, "right", "");
            row("filled, another file", true, "load", "new");
            row("filled, cancelled", true, "cancel", "old");
            row("filled, right press, No", true, "clear-no", "old");
            row("filled, right press, Yes", true, "clear-yes", "");
            row("filled, right press, dialog closed", true, "clear-close", "old");
            row("empty, middle button", false, "middle", "");
            row("filled, middle button", true, "middle", "old");
        }
    }

    void transitions()
    {
        QFETCH(bool, front);
        QFETCH(bool, startFilled);
        QFETCH(QString, event);
        QFETCH(QString, endPath);
        // The other slot holds a picture throughout, and must keep it.
        load(!front, blue_);
        if (startFilled)
            load(front, red_);
        const int opensBefore = dialog().openCalls.size();
        window_->dialogResult() = "leftover";
        std::shared_ptr<Seen> seen;

        if (event == "load") {
            load(front, blue_);
        } else if (event == "cancel") {
            load(front, QString());
        } else if (event == "right") {
            press(front, Qt::RightButton);
        } else if (event == "middle") {
            press(front, Qt::MiddleButton);
        } else {
            const char *button = event == "clear-no"    ? "Command2"
                                 : event == "clear-yes" ? "Command1"
                                                        : "close";
            seen = answerNext(button);
            press(front, Qt::RightButton);
            QCOMPARE(seen->text, QString("Clear current image?"));
        }

        const QString expected = endPath == "new" ? blue_ : endPath == "old" ? red_ : QString();
        QCOMPARE(slot(front).path(), expected);
        QCOMPARE(slot(front).isFilled(), !expected.isEmpty());
        QCOMPARE(slot(front).bytes().isEmpty(), expected.isEmpty());
        QCOMPARE(slot(front).box()->shown().isNull(), expected.isEmpty());
        if (!expected.isEmpty())
            QCOMPARE(held(front).size(), expected == red_ ? QSize(64, 48) : QSize(30, 90));
        QCOMPARE(slot(!front).path(), blue_);
        QCOMPARE(held(!front).size(), QSize(30, 90));

        // Every press empties the dialog result first; only the clear dialog writes it.
        QCOMPARE(window_->dialogResult(),
                 event == "clear-no" || event == "clear-close" ? QString("False") : QString());
        const bool opened = event == "load" || event == "cancel";
        QCOMPARE(dialog().openCalls.size(), opensBefore + (opened ? 1 : 0));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }

    void fileDialogIsAskedTheSameWayEveryTime()
    {
        load(true, red_);
        load(false, QString());
        load(false, red_);
        load(true, blue_);
        QCOMPARE(dialog().openCalls.size(), 4);
        for (const FakeCommonDialog::OpenCall &call : dialog().openCalls) {
            QCOMPARE(call.filter,
                     QString("Supported File Types|*.jpg;*.jpeg;*.gif;*.bmp;*.png;*.webp;*.tif;"
                             "*.tiff|JPG Files (*.jpg)|*.jpg|GIF Files (*.gif)|*.gif|BMP Files "
                             "(*.bmp)|*.bmp|All Files (*.*)|*.*|"));
            QCOMPARE(call.flags, 4);
            // An empty name when the dialog opens is what makes a cancel visible.
            QCOMPARE(call.fileNameAtOpen, QString());
        }
        QCOMPARE(dialog().fileName(), QString());
    }

    void fileDialogOffersTheFiveEntries()
    {
        QCOMPARE(
            QtCommonDialog::toNameFilters(CoverSlot::FileFilter),
            QStringList(
                {"Supported File Types (*.jpg *.jpeg *.gif *.bmp *.png *.webp *.tif *.tiff)",
                 "JPG Files (*.jpg)", "GIF Files (*.gif)", "BMP Files (*.bmp)", "All Files (*)"}));
    }

    void picturesFillTheirBoxWhateverTheirShape()
    {
        load(true, blue_); // 30 x 90 into a square box
        load(false, red_); // 64 x 48 into an upright box
        for (bool front : {true, false}) {
            const QImage &shown = slot(front).box()->shown();
            QCOMPARE(shown.size(), slot(front).box()->size() - QSize(2, 2));
            // Stretched, not letterboxed: the corners hold picture too.
            const QColor expected = front ? QColor(Qt::blue) : QColor(Qt::red);
            for (QPoint corner : {QPoint(0, 0), QPoint(shown.width() - 1, shown.height() - 1)}) {
                const QColor found = shown.pixelColor(corner);
                QVERIFY(qAbs(found.red() - expected.red()) < 8);
                QVERIFY(qAbs(found.blue() - expected.blue()) < 8);
            }
        }
        // The slot keeps the file's bytes, which decode at full size for printing.
        QCOMPARE(held(true).size(), QSize(30, 90));
    }

    void otherFormatsLoad()
    {
        // Content decides the format, whatever the name says; GIF gives its first frame.
        const QString gif = writeBytes(files_, "anim.gif", AnimatedGif);
        load(true, gif);
        QCOMPARE(held(true).size(), QSize(3, 2));
        QCOMPARE(held(true).pixelColor(1, 1), QColor(0, 255, 0));

        // Whole JPEGs of every build load: progressive ones, and ones with bytes after the end.
        QImage photo(120, 80, QImage::Format_RGB32);
        photo.fill(Qt::darkGreen);
        QImageWriter progressive(files_.filePath("progressive.jpg"), "jpeg");
        progressive.setProgressiveScanWrite(true);
        QVERIFY(progressive.write(photo));
        load(true, progressive.fileName());
        QCOMPARE(slot(true).path(), progressive.fileName());
        const QByteArray whole = fileBytes(progressive.fileName());
        load(true, writeBytes(files_, "trailer.jpg", whole + QByteArray(100, '\0')));
        QVERIFY(slot(true).path().endsWith("trailer.jpg"));

        const QString png = test::writePicture(files_, "really-a-png.jpg", {10, 10}, Qt::yellow);
        QImage(10, 10, QImage::Format_RGB32).save(png, "PNG");
        load(false, png);
        QCOMPARE(slot(false).path(), png);
    }

    void exifOrientationIsApplied()
    {
        QByteArray jpeg = fileBytes(test::writePicture(files_, "flat.jpg", {40, 20}));
        const QString turned = writeBytes(files_, "turned.jpg", withExifOrientation(jpeg, 6));
        load(true, turned);
        QCOMPARE(held(true).size(), QSize(20, 40));
    }

    // What a box shows, decoded straight at the box's size (JPEG through its
    // DCT scaling) and turned upright, matches the whole picture decoded by
    // Qt, turned by its EXIF orientation and scaled to the box.
    void shownPictureMatchesTheWholePictureScaled_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray landscape = test::encoded(test::patterned({1400, 800}), "JPEG", 95);
        for (const QSize size : {QSize(1400, 1340), QSize(700, 400), QSize(500, 300),
                                 QSize(180, 170), QSize(60, 40)}) {
            QTest::newRow(qPrintable(QString("JPEG %1 x %2").arg(size.width()).arg(size.height())))
                << "photo.jpg" << test::encoded(test::patterned(size), "JPEG", 95);
        }
        for (quint8 orientation = 1; orientation <= 8; ++orientation)
            QTest::newRow(qPrintable(QString("JPEG turned by orientation %1").arg(orientation)))
                << "turned.jpg" << withExifOrientation(landscape, orientation);
        QTest::newRow("PNG") << "picture.png"
                             << test::encoded(test::patterned({600, 400}), "PNG", 95);
        QTest::newRow("BMP") << "picture.bmp"
                             << test::encoded(test::patterned({600, 400}), "BMP", 95);
        QTest::newRow("GIF") << "picture.gif" << AnimatedGif;
    }

    void shownPictureMatchesTheWholePictureScaled()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = writeBytes(files_, name, bytes);
        for (bool front : {true, false}) {
            load(front, path);
            QCOMPARE(slot(front).bytes(), bytes);
            const QImage shown = slot(front).box()->shown();
            QImageReader reader(path);
            reader.setAutoTransform(true);
            const QImage expected =
                reader.read()
                    .convertToFormat(QImage::Format_RGB32)
                    .scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            QCOMPARE(shown.size(), slot(front).box()->size() - QSize(2, 2));
            const auto [largest, mean] = difference(shown, expected);
            QVERIFY2(largest <= 16 && mean <= 1.5,
                     qPrintable(QString("largest %1, mean %2").arg(largest).arg(mean)));
        }
    }

    // Loading runs off the user-interface thread: the window repaints and
    // the busy cursor shows while a picture decodes.
    void windowRepaintsWhileAPictureDecodes()
    {
        BlockingDecoder decoder;
        Platform platform{platform_->settings, platform_->commonDialog, decoder,
                          platform_->urlLauncher, platform_->printer};
        const std::unique_ptr<MainWindow> window = test::showMainWindow(platform);
        test::PaintCounter counter(window.get());
        const int &paints = counter.paints;
        int paintsBefore = -1;
        bool busy = false;
        QDeadlineTimer deadline(5000);
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (paintsBefore < 0 && decoder.entered.tryAcquire()) {
                paintsBefore = paints;
                busy = QApplication::overrideCursor() &&
                       QApplication::overrideCursor()->shape() == Qt::WaitCursor;
                window->findChild<QWidget *>("Image2")->update();
            } else if ((paintsBefore >= 0 && paints > paintsBefore) || deadline.hasExpired()) {
                decoder.released.release();
                poll.stop();
            }
        });
        poll.start(10);
        dialog().openAnswers << red_;
        QTest::mousePress(window->findChild<QWidget *>("Image1"), Qt::LeftButton);
        poll.stop();
        decoder.released.release();

        QVERIFY2(paintsBefore >= 0 && paints > paintsBefore, "no repaint while decoding");
        QVERIFY(busy);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(window->frontSlot().path(), red_);
    }

    void largeScanLoads()
    {
        const QString scan = test::writePicture(files_, "scan.jpg", {6000, 6000}, Qt::darkCyan);
        load(false, scan);
        QCOMPARE(slot(false).path(), scan);
        QCOMPARE(held(false).size(), QSize(6000, 6000));
        QFile::remove(scan);
    }

    void badFilesAreReported_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("words");
        QTest::newRow("empty file") << "empty" << 481 << "empty";
        QTest::newRow("text named .jpg") << "text" << 481 << "not a JPEG, PNG, GIF, BMP";
        QTest::newRow("JPEG cut short") << "cut" << 481 << "ends at byte";
        // Shown at an eighth of its size, and still read and checked whole.
        QTest::newRow("large JPEG cut short") << "cut-large" << 481 << "ends at byte";
        QTest::newRow("large JPEG with damaged data") << "damaged-large" << 481 << "damaged";
        QTest::newRow("GIF with a broken header") << "gif" << 481 << "";
        QTest::newRow("BMP with a broken header") << "bmp" << 481 << "";
        QTest::newRow("60000 x 60000 pixels") << "huge" << 7 << "60000 x 60000";
        QTest::newRow("removed after it was chosen") << "removed" << 53 << "not found";
        QTest::newRow("a folder") << "folder" << 75 << "folder";
    }

    void badFilesAreReported()
    {
        QFETCH(QString, kind);
        QFETCH(int, number);
        QFETCH(QString, words);
        QTemporaryDir dir;
        const QByteArray jpeg = fileBytes(test::writePicture(dir, "whole.jpg", {200, 200}));
        QString path;
        if (kind == "empty")
            path = writeBytes(dir, "empty.jpg", {});
        else if (kind == "text")
            path =
                writeBytes(dir, "notes.jpg", "These are not the pictures you are looking for.\n");
        else if (kind == "cut")
            path = writeBytes(dir, "cut.jpg", jpeg.left(jpeg.size() / 2));
        else if (kind == "cut-large" || kind == "damaged-large") {
            QByteArray large = test::encoded(test::patterned({1600, 1600}), "JPEG", 95);
            if (kind == "cut-large")
                large.truncate(large.size() * 3 / 4);
            else
                large.replace(large.size() * 3 / 4, 2, "\xff\xd9"); // an end in the middle
            path = writeBytes(dir, "large.jpg", large);
        } else if (kind == "gif")
            path = writeBytes(dir, "broken.gif", "GIF89a" + QByteArray(20, '\xff'));
        else if (kind == "bmp")
            path = writeBytes(dir, "broken.bmp", "BM" + QByteArray(60, '\x7f'));
        else if (kind == "huge") {
            // A baseline JPEG header claiming 60000 x 60000 (0xEA60) pixels.
            QByteArray header = jpeg;
            const qsizetype sof = header.indexOf(QByteArray::fromHex("ffc0"));
            QVERIFY(sof > 0);
            header.replace(sof + 5, 4, QByteArray::fromHex("ea60ea60"));
            path = writeBytes(dir, "huge.jpg", header);
        } else if (kind == "removed") {
            path = writeBytes(dir, "gone.jpg", jpeg);
            dialog().afterOpen = [path] { QFile::remove(path); };
        } else if (kind == "folder") {
            path = dir.filePath("folder.jpg");
            QVERIFY(QDir().mkdir(path));
        }
        QVERIFY(!path.isEmpty());

        load(true, red_);
        std::shared_ptr<Seen> seen = answerNext("Command2");
        load(true, path);
        dialog().afterOpen = nullptr;

        QCOMPARE(seen->title, "Error: " + QString::number(number));
        QVERIFY2(seen->text.contains(QFileInfo(path).fileName()), qPrintable(seen->text));
        QVERIFY2(seen->text.contains(words), qPrintable(seen->text));
        QCOMPARE(slot(true).path(), red_);
        QCOMPARE(held(true).size(), QSize(64, 48));
        QVERIFY(!slot(true).box()->shown().isNull());
        QCOMPARE(dialog().fileName(), QString());
    }

    void unreadableFileIsReported()
    {
        QTemporaryDir dir;
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadOther | QFile::ExeOther);
        const QString path = test::writePicture(dir, "locked.jpg", {20, 20});
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));

        if (geteuid() == 0) {
            // Root reads every file: ask as an ordinary user, in a child process.
            const pid_t child = fork();
            if (child == 0) {
                if (setgid(65534) != 0 || setuid(65534) != 0)
                    _exit(2);
                const DecodedPicture decoded = QtPictureDecoder().decode(path);
                _exit(!decoded.ok() && decoded.failure->number == 70 ? 0 : 1);
            }
            int status = 0;
            QCOMPARE(waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status));
            QCOMPARE(WEXITSTATUS(status), 0);
            return;
        }
        std::shared_ptr<Seen> seen = answerNext("Command2");
        load(true, path);
        QCOMPARE(seen->title, QString("Error: 70"));
        QVERIFY(seen->text.contains("locked.jpg"));
        QVERIFY(seen->text.contains("permission"));
        QVERIFY(!slot(true).isFilled());
    }

    void bothSlotsMayHoldTheSameFile()
    {
        load(true, red_);
        load(false, red_);
        QCOMPARE(slot(true).path(), red_);
        QCOMPARE(slot(false).path(), red_);
    }
};

QTEST_MAIN(SlotsTest)
#include "slots_test.moc"
