// SPDX-License-Identifier: GPL-3.0-or-later
// Every kind of file a user may choose as a picture, whole, cut, damaged,
// hostile or not a file at all, each with the one outcome it must have:
// the picture exactly as its data gives it, or the failure with its reason.
#include "base/Failures.h"
#include "base/FileNames.h"
#include "covers/CoverSlot.h"
#include "desktop/QtCommonDialog.h"
#include "dialogs/Dialogs.h"
#include "pictures/QtPictureDecoder.h"
#include "support/FakeHelpViewer.h"
#include "support/TestEnvironment.h"
#include "support/picture_cases.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <malloc.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace quillane;
using test::fileBytes;
using test::writeBytes;

using namespace test::filecases;

class PictureFilesTest : public QObject {
    Q_OBJECT

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
        const auto found = std::find_if(cases().begin(), cases().end(),
                                        [&](const Case &c) { return kind == c.kind; });
        const Made made = found->make(dir);
        QVERIFY2(!made.path.isEmpty(), "the file could not be made");

        QtPictureDecoder decoder;
        alarm(30); // a decoder that blocks fails the test instead of hanging it
        const DecodedPicture decoded = decoder.decode(made.path);
        alarm(0);

        if (number == 0) {
            QVERIFY2(decoded.ok(),
                     qPrintable(decoded.ok() ? QString() : decoded.failure->description));
            QVERIFY(!made.picture.isNull());
            QCOMPARE(decoded.image.convertToFormat(QImage::Format_ARGB32),
                     made.picture.convertToFormat(QImage::Format_ARGB32));
        } else {
            QVERIFY2(!decoded.ok(), qPrintable(kind));
            QVERIFY(decoded.image.isNull());
            const QString text = decoded.failure->description;
            QVERIFY2(text.contains(words), qPrintable(text));
            QVERIFY2(text.startsWith('"' + failures::shownFileName(made.path) + '"'),
                     qPrintable(text));
            QCOMPARE(decoded.failure->number, number);
        }
        removeByteNames(dir);
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

    // So does a WebP, to any size: an animation's canvas with its first frame
    // scaled in its place (40 x 30 at the top left of 4000 x 4000, a pixel).
    void webpDecodesStraightToATarget()
    {
        QTemporaryDir dir;
        const QByteArray webp = fileBytes(animatedWebp(dir, "canvas.webp", 4000).path);
        const DecodedPicture decoded = QtPictureDecoder().decodeBytes(webp, "x.webp", {100, 50});
        QVERIFY(decoded.ok());
        QCOMPARE(decoded.image.size(), QSize(100, 100));
        QCOMPARE(qAlpha(decoded.image.pixel(0, 0)), 255);
        QCOMPARE(qAlpha(decoded.image.pixel(1, 0)) + qAlpha(decoded.image.pixel(0, 1)), 0);
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

    // A name with a line break and bytes that are not UTF-8, as Qt's own file
    // dialog lists it, reaches the open call as the file system's bytes, and
    // a message shows it with replacement characters.
    void chosenNamesKeepTheirBytes()
    {
        QTemporaryDir dir;
        const QByteArray name = "cover\n\xE9t\xE9.jpg";
        const QString path = nativeFile(dir, name, Jpeg.left(300));
        QVERIFY(!path.isEmpty());
        FakeHelpViewer helpViewer;
        QtCommonDialog dialog(helpViewer);
        dialog.setFilter(CoverSlot::FileFilter);
        test::modals() << [&](QWidget *modal) {
            auto *files = qobject_cast<QFileDialog *>(modal);
            QVERIFY(files);
            files->setDirectory(dir.path());
            // A name no one can type: chosen in the list, the name field let go.
            QApplication::focusWidget()->clearFocus();
            files->selectFile(QFile::decodeName(name));
            QMetaObject::invokeMethod(files, "accept");
        };
        dialog.showOpen(nullptr);

        QCOMPARE(dialog.fileName(), path);
        const DecodedPicture decoded = QtPictureDecoder().decode(dialog.fileName());
        QVERIFY(!decoded.ok());
        const QString shown = QString("\"cover%1%1t%1.jpg\" is damaged").arg(QChar(0xFFFD));
        QVERIFY2(decoded.failure->description.startsWith(shown),
                 qPrintable(decoded.failure->description));
        removeByteNames(dir);
    }

    // A picture whose needs come close to the limit decodes, with a peak well
    // under the limit plus a quarter; one that needs more is refused before
    // anything is decoded. Under AddressSanitizer a quarter of the limit is
    // used, to keep the run short.
    void memoryAtTheLimit()
    {
        const qint64 limit =
            UnderAsan ? QtPictureDecoder::LimitBytes / 4 : QtPictureDecoder::LimitBytes;
        int rows = 0;
        const QByteArray jpeg = limitJpeg(limit, &rows);
        QVERIFY(!jpeg.isEmpty());

        QtPictureDecoder decoder(limit);
        const qint64 before = resetPeak();
        DecodedPicture decoded = decoder.decodeBytes(jpeg, "limit.jpg");
        const qint64 peak = (peakKilobytes() - before) << 10;
        QVERIFY2(decoded.ok(), qPrintable(decoded.ok() ? QString() : decoded.failure->description));
        QCOMPARE(decoded.image.size(), QSize(16384, rows));
        QVERIFY2(peak <= limit + limit / 4, qPrintable(QString::number(peak >> 20) + " MB"));
        decoded = {};

        const QByteArray over = claimingSize(jpeg, {16384, rows + 1024});
        const DecodedPicture refused = decoder.decodeBytes(over, "over.jpg");
        QVERIFY(!refused.ok());
        QCOMPARE(refused.failure->number, 7);
    }
};

QTEST_MAIN(PictureFilesTest)
#include "picture_files_test.moc"
