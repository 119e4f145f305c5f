// SPDX-License-Identifier: GPL-3.0-or-later
// Measures what loading pictures into the cover slots costs, through the real
// window, decoder and slots. Not a test: tools/measure-pipeline.sh runs it.
//   measure_slot_load <front> [back]   load them; print the front's load time
//                                      and the memory held once both are in
//   measure_slot_load --idle           the memory of the same program idle
//   measure_slot_load --print <picture>
//                                      loads it into both slots, then prints
//                                      both covers on a test printer at
//                                      600 dpi: the front's load time and the
//                                      time from "&Yes" to the page's end
#include "app/MainWindow.h"
#include "covers/CoverSlot.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QCheckBox>
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

// Prints both covers as a user does; the time from "&Yes" to the page's
// end, or -1.
qint64 printBoth(quillane::test::TestPlatform &platform, quillane::MainWindow &window)
{
    for (QCheckBox *box : {window.printFrontBox(), window.printBackBox()}) {
        if (!box->isChecked())
            QTest::mouseClick(box, Qt::LeftButton);
    }
    QElapsedTimer clock;
    qint64 printed = -1;
    platform.printer.onOperation = [&](const QString &entry) {
        if (entry == "end")
            printed = clock.elapsed();
    };
    quillane::test::modals() << [&](QWidget *dialog) {
        clock.start();
        quillane::test::clickChild(dialog, "Command1");
    };
    QTest::mouseClick(window.findChild<QWidget *>("Command3"), Qt::LeftButton);
    quillane::test::modals().drop();
    return platform.printer.painted.size() == 2 ? printed : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <front> [back] | --idle | --print <picture>\n", argv[0]);
        return 2;
    }
    const bool print = QByteArray(argv[1]) == "--print" && argc == 3;
    if (print)
        argv[1] = argv[2];
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
                              QString::fromLocal8Bit(argv[print ? 1 : 2]))) {
            std::fprintf(stderr, "the back picture did not load\n");
            return 1;
        }
    }
    if (print) {
        platform.printer.printers = {"Fake"};
        const qint64 printed = printBoth(platform, window);
        if (printed < 0) {
            std::fprintf(stderr, "the page was not printed\n");
            return 1;
        }
        std::printf("print ms: %lld\n", printed);
    }
    QCoreApplication::processEvents();
    std::printf("rss KiB: %lld\npeak KiB: %lld\n", quillane::test::statusKilobytes("VmRSS:"),
                quillane::test::statusKilobytes("VmHWM:"));
    return 0;
}
