// SPDX-License-Identifier: GPL-3.0-or-later
// Measures "View Image" through the real window, decoder and viewer: the time
// from the click to the viewer's first frame with the picture drawn. Not a
// test: run it by hand.
//   measure_viewer_open [picture] [runs]
//   measure_viewer_open --write <path> [seed]
// Without a picture it makes a 6000 x 4000 (24-megapixel) JPEG with the
// detail of a photograph and measures that; --write only makes one.
#include "app/MainWindow.h"
#include "covers/CoverSlot.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageReader>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

QString writePhotoLikeJpeg(const QString &path, quint32 seed = 12345)
{
    return quillane::test::photo({6000, 4000}, seed).save(path, "JPEG", 90) ? path : QString();
}

// Runs once the viewer's picture has been painted for the first time, after
// that paint has reached the window.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(std::function<void(QWidget *)> then) : then_(std::move(then))
    {
        qApp->installEventFilter(this);
    }
    ~FirstPaint() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!done_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
            watched->objectName() == "Image1") {
            QPointer<QWidget> viewer = static_cast<QWidget *>(watched)->window();
            if (viewer->objectName() == "Form2") {
                done_ = true;
                QTimer::singleShot(0, this, [this, viewer] {
                    if (viewer)
                        then_(viewer);
                });
            }
        }
        return false;
    }

private:
    std::function<void(QWidget *)> then_;
    bool done_ = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    if (argc > 2 && QByteArray(argv[1]) == "--write")
        return writePhotoLikeJpeg(QString::fromLocal8Bit(argv[2]),
                                  argc > 3 ? QByteArray(argv[3]).toUInt() : 12345)
            .isEmpty();
    QTemporaryDir dir;
    QString picture = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (picture.isEmpty()) {
        picture = writePhotoLikeJpeg(dir.filePath("photo.jpg"));
        if (picture.isEmpty()) {
            std::fprintf(stderr, "could not write the test picture\n");
            return 1;
        }
    }
    const int runs = argc > 2 ? QByteArray(argv[2]).toInt() : 5;

    quillane::test::ConfigHome home;
    quillane::test::TestPlatform platform;
    quillane::MainWindow window(platform.platform);
    window.showCentred();
    platform.commonDialog.openAnswers << picture;
    QTest::mouseClick(window.findChild<QWidget *>("Image1"), Qt::LeftButton);
    QDeadlineTimer deadline(60000);
    while (!window.frontSlot().isFilled() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!window.frontSlot().isFilled()) {
        std::fprintf(stderr, "the picture did not load\n");
        return 1;
    }
    const QSize size = QImageReader(picture).size();
    std::printf("%d x %d pixels, %lld kB\n", size.width(), size.height(),
                QFileInfo(picture).size() / 1024);

    QWidget *view = window.findChild<QWidget *>("Command4");
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        qint64 shown = -1;
        FirstPaint painted([&](QWidget *viewer) {
            shown = clock.elapsed();
            quillane::test::clickChild(viewer, "Label3");
        });
        clock.start();
        QTest::mouseClick(view, Qt::LeftButton);
        if (shown < 0) {
            std::fprintf(stderr, "the viewer did not show the picture\n");
            return 1;
        }
        std::printf("view ms: %lld\n", shown);
    }
    return 0;
}
