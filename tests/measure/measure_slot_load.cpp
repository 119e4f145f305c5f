// Measures what loading a picture into the front slot costs, through the real
// window, decoder and slot. Not a test: run it by hand, under /usr/bin/time -v
// for the peak memory.
//   measure_slot_load <picture>          load it, print the milliseconds
//   measure_slot_load <picture> --idle   the same program without loading
#include "app/MainWindow.h"
#include "covers/CoverSlot.h"
#include "doubles/TestEnvironment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <picture> [--idle]\n", argv[0]);
        return 2;
    }
    quillane::test::ConfigHome home;
    quillane::test::TestPlatform platform;
    quillane::MainWindow window(platform.platform);
    window.showCentred();
    if (argc > 2 && QByteArray(argv[2]) == "--idle")
        return 0;

    platform.commonDialog.openAnswers << QString::fromLocal8Bit(argv[1]);
    QWidget *box = window.findChild<QWidget *>("Image1");
    QElapsedTimer clock;
    clock.start();
    QTest::mousePress(box, Qt::LeftButton);
    const qint64 elapsed = clock.elapsed();
    if (!window.frontSlot().isFilled()) {
        std::fprintf(stderr, "the picture did not load\n");
        return 1;
    }
    const QSize size = window.frontSlot().picture().size();
    std::printf("%d x %d pixels loaded in %lld ms\n", size.width(), size.height(), elapsed);
    return 0;
}
