// SPDX-License-Identifier: GPL-3.0-or-later
// Print figures on a private CUPS scheduler, one test function each:
//   edgeErrors   the largest error of the page's edges and lines on every
//                queue (QUILLANE_PRINT_DPI, 600 unless set; a driverless
//                queue's own raster is measured at its resolution)
//   stall        the dialog and the main window with the scheduler stopped,
//                under the program's own bounds
//   photographs  two 24-megapixel photographs, resampled or at full size
//   QT_QPA_PLATFORM=offscreen measure_print edgeErrors 2>&1 | grep 'largest error'
#include "support/print_cups_bench.h"

#include <QImageReader>
#include <QMap>

#include <algorithm>

using namespace quillane;
using namespace quillane::test::cupsbench;

class MeasurePrint : public QObject, CupsBench {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QImageReader::setAllocationLimit(1024); // an A4 page at 600 dpi is 139 MB
        startScheduler();
    }
    void init() { prepare(); }
    void cleanup() { finish(); }
    void cleanupTestCase() { cups_.reset(); }

    void edgeErrors_data() { queueRows(); }
    void edgeErrors()
    {
        const int dpi = qEnvironmentVariableIntValue("QUILLANE_PRINT_DPI");
        Errors largest;
        pageLands(dpi > 0 ? dpi : 600, &largest);
        if (largest.dpi)
            qInfo("largest error at %d dpi: picture edges %.2f px, lines %.2f px", largest.dpi,
                  largest.pictures, largest.lines);
    }

    void stall()
    {
        test::modals().deadlineMs = 120000; // the program's own bounds run long
        const Stall s = printWhileStopped(CupsBounds());
        qInfo("dialog shown after %lld ms, list filled after %lld ms, %lld paints, longest stall "
              "%lld ms",
              s.shown, s.filled, s.paints, s.longest);
    }

    // Two 24-megapixel photographs, resampled for the printer against sent
    // at their full size, in pairs of runs taken in turn (QUILLANE_PAIRS, 9
    // at least).
    void photographs()
    {
        const int pairs = qMax(9, qEnvironmentVariableIntValue("QUILLANE_PAIRS"));
        const QString front = work_.filePath("front.jpg");
        const QString back = work_.filePath("back.jpg");
        QVERIFY(test::photo(QSize(6000, 4000), 1).save(front, "JPEG", 90));
        QVERIFY(test::photo(QSize(6000, 4000), 2).save(back, "JPEG", 90));
        qInfo("photographs: %lld and %lld bytes", QFileInfo(front).size(), QFileInfo(back).size());

        using Resampling = CupsPrinter::Resampling;
        QMap<Resampling, QList<qint64>> times;
        QMap<Resampling, qint64> spooled;
        for (int pair = 0; pair < pairs; ++pair) {
            // Which goes first alternates, so that neither always meets a warm cache.
            const auto order = pair % 2 ? QList{Resampling::Off, Resampling::Down}
                                        : QList{Resampling::Down, Resampling::Off};
            for (Resampling resampling : order) {
                // To the job's acceptance, without the watch that follows.
                start(resampling, CupsBounds{5000, 10000, 0});
                load("Image1", front);
                load("Image2", back);
                QVERIFY(window_->frontSlot().isFilled() && window_->backSlot().isFilled());
                QElapsedTimer clock;
                print([&clock](QWidget *dialog) {
                    clock.start();
                    test::clickChild(dialog, "Command1");
                });
                times[resampling] << clock.elapsed();
                QCOMPARE(messages_, QStringList());
                const int job = desktop_->printer.lastJob();
                spooled[resampling] = QFileInfo(cups_->spooledDocument(job)).size();
                if (pair == 0) {
                    QStringList sizes;
                    for (QSize s : picturesIn(cups_->spooledDocument(job)))
                        sizes << QString("%1x%2").arg(s.width()).arg(s.height());
                    qInfo("%s: pictures %s",
                          resampling == Resampling::Down ? "resampled" : "full size",
                          qPrintable(sizes.join(", ")));
                }
                QString why;
                QVERIFY2(cups_->waitForJobs(&why), qPrintable(why));
            }
        }
        auto median = [](QList<qint64> values) {
            std::sort(values.begin(), values.end());
            return values[values.size() / 2];
        };
        const qint64 down = median(times[Resampling::Down]), off = median(times[Resampling::Off]);
        qInfo("\"&Yes\" to job accepted, median of %d pairs: resampled %lld ms, full size %lld ms, "
              "ratio %.2f; spooled %lld against %lld bytes, ratio %.2f",
              pairs, down, off, double(down) / off, spooled[Resampling::Down],
              spooled[Resampling::Off],
              double(spooled[Resampling::Down]) / spooled[Resampling::Off]);
    }
};

QTEST_MAIN(MeasurePrint)
#include "measure_print.moc"
