// Measures what loading pictures into the cover slots costs, through the real
// window, decoder and slots. Not a test: tools/measure-pipeline.sh runs it.
//   measure_slot_load <front> [back]   load them; print the front's load time
//                                      and the memory held once both are in
//   measure_slot_load --idle           the memory of the same program idle
#include "app/MainWindow.h"
#include "covers/CoverSlot.h"
#include "doubles/TestEnvironment.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <cstdio>

namespace {

// Loads path into the slot under box as a user does, and waits until it is in.
bool load(quillane::test::TestPlatform &platform, QWidget *box, quillane::CoverSlot &slot,
          const QString &path)
{
    platform.commonDialog.openAnswers << path;
    QTest::mousePress(box, Qt::LeftButton);
    QDeadlineTimer deadline(60000);
    while (!slot.isFilled() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return slot.isFilled();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <front> [back] | --idle\n", argv[0]);
        return 2;
    }
    quillane::test::ConfigHome home;
    quillane::test::TestPlatform platform;
    quillane::MainWindow window(platform.platform);
    window.showCentred();
    QCoreApplication::processEvents();

    if (QByteArray(argv[1]) != "--idle") {
        QElapsedTimer clock;
        clock.start();
        if (!load(platform, window.findChild<QWidget *>("Image1"), window.frontSlot(),
                  QString::fromLocal8Bit(argv[1]))) {
            std::fprintf(stderr, "the front picture did not load\n");
            return 1;
        }
        std::printf("load ms: %lld\n", clock.elapsed());
        if (argc > 2 && !load(platform, window.findChild<QWidget *>("Image2"), window.backSlot(),
                              QString::fromLocal8Bit(argv[2]))) {
            std::fprintf(stderr, "the back picture did not load\n");
            return 1;
        }
    }
    QCoreApplication::processEvents();
    std::printf("rss KiB: %lld\npeak KiB: %lld\n", quillane::test::statusKilobytes("VmRSS:"),
                quillane::test::statusKilobytes("VmHWM:"));
    return 0;
}
