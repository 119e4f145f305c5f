// SPDX-License-Identifier: GPL-3.0-or-later
// Printing for real: the main window's print job through the "Print to:"
// dialog onto file queues of a private CUPS scheduler, the page rasterised
// and measured; and what the user is told when the printer or CUPS is gone.
#include "support/print_cups_bench.h"

#include <QStandardPaths>

#include <sys/stat.h>

using namespace quillane;

using namespace test::cupsbench;

class PrintCupsTest : public QObject, CupsBench {
    Q_OBJECT

private slots:
    void initTestCase() { startScheduler(); }
    void init() { prepare(); }
    void cleanup() { finish(); }
    void cleanupTestCase() { cups_.reset(); }

    void startingAsksNothingOfCups()
    {
        const QString log = cups_->folder() + "/logs/access_log";
        // The log shows every request the scheduler answers.
        QVERIFY(run("lpstat", {"-p"}));
        // The scheduler may log lpstat's requests a moment after answering them.
        qint64 before = -1;
        for (int i = 0; i < 50 && QFileInfo(log).size() != before; ++i) {
            before = QFileInfo(log).size();
            QTest::qWait(200);
        }
        QVERIFY(before > 0);
        start();
        QTest::qWait(200);
        QCOMPARE(QFileInfo(log).size(), before);
    }

    // Every kind of queue, chosen in the list or as the default, next to a
    // default of another kind.
    void pageLandsExactlyOnEveryQueue_data() { queueRows(); }

    // 1 px at 100 dpi is checked at 200 dpi: ghostscript draws a picture's
    // edge up to half a pixel short at coarse resolutions.
    void pageLandsExactlyOnEveryQueue() { pageLands(200); }

    void picturesTravelAtWhatThePageCanShow()
    {
        start();
        // 24 megapixels for the 4.8 inch square; a narrow tall strip for the back.
        load("Image1", test::writePicture(work_, "big.png", QSize(6000, 4000), Qt::red));
        load("Image2", test::writePicture(work_, "strip.png", QSize(500, 8000), Qt::blue));
        print([](QWidget *dialog) { test::clickChild(dialog, "Command1"); });
        QCOMPARE(messages_, QStringList());
        const int job = desktop_->printer.lastJob();
        QVERIFY(job > 0);
        // At 600 pixels an inch: the front square holds 2875, the back 3555 x 2792;
        // the strip keeps its 500 pixels across, as nothing is resampled up.
        QCOMPARE(picturesIn(cups_->spooledDocument(job)),
                 QList<QSize>({QSize(2875, 2875), QSize(500, 2792)}));
        QString why;
        QVERIFY2(cups_->waitForJobs(&why), qPrintable(why));
        QCOMPARE(filesOut(), QStringList("alpha.pdf"));
    }

    void aChoiceStaysAfterNoAndTheDefaultServesWithoutOne()
    {
        start();
        loadSolidCovers();
        print([](QWidget *dialog) { test::clickChild(dialog, "Command1"); });
        QString why;
        QVERIFY2(cups_->waitForJobs(&why), qPrintable(why));
        QCOMPARE(filesOut(), QStringList("alpha.pdf"));
        const qint64 alphaSize = QFileInfo(cups_->outputOf("Alpha")).size();

        print([](QWidget *dialog) {
            choose(dialog, 1);
            test::clickChild(dialog, "Command2");
        });
        QVERIFY2(cups_->waitForJobs(&why), qPrintable(why));
        QCOMPARE(filesOut(), QStringList("alpha.pdf"));

        print([](QWidget *dialog) { test::clickChild(dialog, "Command1"); });
        QVERIFY2(cups_->waitForJobs(&why), qPrintable(why));
        QCOMPARE(filesOut(), QStringList({"alpha.pdf", "beta.pdf"}));
        QCOMPARE(QFileInfo(cups_->outputOf("Alpha")).size(), alphaSize);
        QCOMPARE(messages_, QStringList());
    }

    void nothingSelectedSendsNoPage()
    {
        start();
        loadSolidCovers();
        test::clickChild(window_.get(), "Check1");
        test::clickChild(window_.get(), "Check2");
        print([](QWidget *dialog) { test::clickChild(dialog, "Command1"); });
        QString jobs;
        QVERIFY(run("lpstat", {"-W", "all", "-o"}, &jobs));
        QCOMPARE(jobs.trimmed(), QString());
        QCOMPARE(desktop_->printer.lastJob(), 0);
    }

    void schedulerStoppedBeforePrinting()
    {
        start();
        loadSolidCovers();
        print([this](QWidget *dialog) {
            choose(dialog, 1);
            cups_->stop();
            test::clickChild(dialog, "Command1");
        });
        QCOMPARE(messages_, QStringList(messageFor(failures::printServiceUnreachable())));
        QCOMPARE(filesOut(), QStringList());
        QVERIFY(window_->isVisible());
    }

    // The scheduler stops answering after the list was filled, or half-way
    // through the page: the job ends within its bounds and nothing prints.
    void schedulerFrozen_data()
    {
        QTest::addColumn<bool>("whileSending");
        QTest::addColumn<int>("waits"); // of the bound, each with libcups's own second
        QTest::newRow("while the list is open") << false << 1;
        QTest::newRow("while the page is sent") << true << 2; // the page, then its cancel
    }

    void schedulerFrozen()
    {
        QFETCH(bool, whileSending);
        QFETCH(int, waits);
        const CupsBounds bounds{500, 1000};
        start(CupsPrinter::Resampling::Down, bounds);
        loadSolidCovers();
        QElapsedTimer clock;
        QString why;
        if (whileSending) {
            desktop_->printer.writeAllowed = [&](qint64 w) {
                qWarning("write at %lld valid %d", w, clock.isValid());
                return clock.isValid() || (clock.start(), cups_->freeze(true, &why));
            };
        }
        print([&](QWidget *dialog) {
            choose(dialog, 1);
            if (!whileSending) {
                QVERIFY2(cups_->freeze(true, &why), qPrintable(why));
                clock.start();
            }
            test::clickChild(dialog, "Command1");
        });
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(cups_->freeze(false, &why), qPrintable(why));
        QCOMPARE(messages_, QStringList(messageFor(failures::printServiceNotAnswering(1))));
        QVERIFY2(elapsed < waits * (bounds.answer + 1000) + 500,
                 qPrintable(QString::number(elapsed)));
        if (whileSending) {
            // Its cancel went unanswered too: the job stays held, never printed.
            QTest::qWait(1000);
            QString pending;
            QVERIFY(run("lpstat", {"-W", "not-completed", "-o", "Beta"}, &pending));
            QVERIFY2(
                pending.contains(QString("Beta-%1 ").arg(desktop_->printer.lastCancelledJob())),
                qPrintable(pending));
            QVERIFY(run("cancel", {"-a", "Beta"}));
        }
        QVERIFY2(cups_->waitForJobs(&why), qPrintable(why));
        QCOMPARE(filesOut(), QStringList());
    }

    void chosenQueueDeletedAfterListing()
    {
        start();
        loadSolidCovers();
        print([this](QWidget *dialog) {
            choose(dialog, 1);
            QVERIFY(run("lpadmin", {"-x", "Beta"}));
            test::clickChild(dialog, "Command1");
        });
        QCOMPARE(messages_, QStringList(messageFor(failures::printerGone("Beta"))));
        QString why;
        QVERIFY2(cups_->waitForJobs(&why), qPrintable(why));
        // Not silently on the default printer either.
        QCOMPARE(filesOut(), QStringList());
    }

    void aWriteFailingHalfWayCancelsTheJob()
    {
        start();
        // Photographs, so that the page takes several pieces to send.
        QVERIFY(test::photo(QSize(900, 900), 1).save(work_.filePath("front.jpg"), "JPEG", 95));
        QVERIFY(test::photo(QSize(900, 700), 2).save(work_.filePath("back.jpg"), "JPEG", 95));
        load("Image1", work_.filePath("front.jpg"));
        load("Image2", work_.filePath("back.jpg"));
        QList<qint64> pieces;
        desktop_->printer.writeAllowed = [&pieces](qint64 written) {
            pieces << written;
            return pieces.size() < 3;
        };
        print([](QWidget *dialog) {
            choose(dialog, 1);
            test::clickChild(dialog, "Command1");
        });
        QCOMPARE(pieces.size(), 3);
        QCOMPARE(messages_, QStringList(messageFor(failures::jobRefused(
                                "the page did not reach the printing service whole."))));
        QCOMPARE(desktop_->printer.lastJob(), 0);
        const int job = desktop_->printer.lastCancelledJob();
        QVERIFY(job > 0);
        QString why, state;
        QVERIFY2(cups_->waitForJobs(&why), qPrintable(why));
        // Ended, not waiting for the rest of its document, and nothing written.
        QVERIFY(run("lpstat", {"-W", "completed", "-o", "Beta"}, &state));
        QVERIFY2(state.contains(QString("Beta-%1 ").arg(job)), qPrintable(state));
        QCOMPARE(filesOut(), QStringList());
    }

    void noPrinterOrNoDefaultIsReported()
    {
        QString why;
        // The default printer removed: the other one must be chosen.
        QVERIFY(run("lpadmin", {"-x", "Alpha"}));
        start();
        loadSolidCovers();
        print([](QWidget *dialog) { test::clickChild(dialog, "Command1"); });
        QCOMPARE(messages_, QStringList(messageFor(failures::noDefaultPrinter())));

        QVERIFY2(cups_->resetQueues({}, &why), qPrintable(why));
        messages_.clear();
        QStringList listed;
        print([&listed](QWidget *dialog) {
            listed = test::listedIn(dialog);
            test::clickChild(dialog, "Command1");
        });
        QCOMPARE(listed, QStringList("Print to File (PDF)"));
        QCOMPARE(messages_, QStringList(messageFor(failures::noPrinter())));
        QCOMPARE(filesOut(), QStringList());
    }

    // A printer that refuses jobs or is stopped is named with its reasons
    // before anything is sent; one whose device fails stops the accepted
    // job, and the user learns that it waits in the queue.
    void printerThatCannotPrintIsNamed_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("message"); // %1: the job
        QTest::newRow("rejecting jobs")
            << "cupsreject" << failures::notAcceptingJobs("Beta", "Rejecting Jobs").description;
        QTest::newRow("paused") << "cupsdisable"
                                << failures::printerStopped("Beta", "paused").description;
        QTest::newRow("device cannot be opened")
            << "lpadmin -v file:///nonexistent/quillane.pdf"
            << failures::jobWaiting("Beta", "no reason given", 9999).description;
    }

    void printerThatCannotPrintIsNamed()
    {
        QFETCH(QString, command);
        QFETCH(QString, message);
        QStringList arguments = command.split(' ');
        const QString program = arguments.takeFirst();
        QVERIFY(run(program, (program == "lpadmin" ? QStringList{"-p"} : QStringList())
                                 << "Beta" << arguments));
        start();
        loadSolidCovers();
        print([](QWidget *dialog) {
            choose(dialog, 1);
            test::clickChild(dialog, "Command1");
        });
        const int job = desktop_->printer.lastJob();
        QCOMPARE(messages_,
                 QStringList("Error: 482 | " + message.replace("9999", QString::number(job))));
        QString jobs;
        QVERIFY(run("lpstat", {"-W", "not-completed", "-o"}, &jobs));
        QCOMPARE(jobs.section(' ', 0, 0), job ? QString("Beta-%1").arg(job) : QString());
        QVERIFY(run("cancel", {"-a"}));
        QCOMPARE(filesOut(), QStringList());
    }

    // With the scheduler stopped, the dialog opens at once and the main
    // window repaints until the list holds what can be printed without it.
    void listFillsWhileTheSchedulerIsStopped()
    {
        const Stall s = printWhileStopped(CupsBounds{500, 1000});
        QCOMPARE(s.listed, QStringList("Print to File (PDF)"));
        QVERIFY2(s.shown >= 0 && s.shown < 1000, qPrintable(QString::number(s.shown)));
        QVERIFY2(s.longest < 500, qPrintable(QString::number(s.longest)));
    }

    // "Print to File (PDF)" with CUPS gone: the page on A4, or on Letter
    // where the locale measures in inches, from the sheet's corner; a cancel
    // prints nothing; a folder that cannot be written, or a pipe, is named
    // with the reason, and nothing is created or replaced.
    void printToFile_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("answer"); // in a folder of the test's own; empty: cancel
        QTest::addColumn<QSizeF>("inches");  // the page written; empty: none
        QTest::addColumn<int>("number");     // the message's, if any
        QTest::addColumn<QString>("reason");
        const QString de("de_DE"), pdf("covers.pdf"), none;
        // clang-format off
        QTest::newRow("A4") << de << pdf << QSizeF(210 / 25.4, 297 / 25.4) << 0 << none;
        QTest::newRow("Letter") << QString("en_US") << pdf << QSizeF(8.5, 11) << 0 << none;
        QTest::newRow("cancelled") << de << none << QSizeF() << 0 << none;
        QTest::newRow("read-only folder") << de << pdf << QSizeF()
            << int(failures::PermissionDenied) << QString("Permission denied");
        QTest::newRow("a named pipe") << de << QString("pipe") << QSizeF()
            << int(failures::FileAccess) << QString("it is a named pipe");
        // clang-format on
    }

    void printToFile()
    {
        QFETCH(QString, locale);
        QFETCH(QString, answer);
        QFETCH(QSizeF, inches);
        QFETCH(int, number);
        QFETCH(QString, reason);
        const QLocale before;
        QLocale::setDefault(QLocale(locale));
        const auto restore = qScopeGuard([before] { QLocale::setDefault(before); });
        cups_->stop();
        everythingOn();
        start();
        loadSolidCovers();
        QTemporaryDir folder;
        const QString file = answer.isEmpty() ? QString() : folder.filePath(answer);
        desktop_->commonDialog.saveAnswers << file;
        if (answer == "pipe")
            QVERIFY(::mkfifo(QFile::encodeName(file).constData(), 0600) == 0);
        const bool readOnly = number == failures::PermissionDenied;
        const auto everyone =
            QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(folder.path(),
                                      readOnly ? everyone : everyone | QFile::WriteOwner));
        {
            test::AsNobody nobody(readOnly);
            print([](QWidget *dialog) {
                QCOMPARE(test::listedIn(dialog), QStringList("Print to File (PDF)"));
                choose(dialog, 0);
                test::clickChild(dialog, "Command1");
            });
        }
        QVERIFY(QFile::setPermissions(folder.path(), everyone | QFile::WriteOwner));
        const auto &asked = desktop_->commonDialog.saveCalls;
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].title + " | " + asked[0].filter + " | " + asked[0].suggested,
                 "Print to File | PDF Files (*.pdf)|*.pdf | " +
                     QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                     "/Quillane covers.pdf");
        QCOMPARE(messages_,
                 number ? QStringList(messageFor(failures::pageNotWritten(file, number, reason)))
                        : QStringList());
        QCOMPARE(
            QDir(folder.path())
                .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
            answer.isEmpty() || readOnly ? QStringList() : QStringList(answer));
        if (inches.isEmpty()) {
            QVERIFY(!QFileInfo(file).isFile()); // the pipe is still one
            return;
        }
        Page page{{}, 0, 0, 200, 0};
        page.image = rasterise(file, page.dpi);
        QVERIFY(qAbs(page.image.width() - inches.width() * page.dpi) <= 1);
        QVERIFY(qAbs(page.image.height() - inches.height() * page.dpi) <= 1);
        checkPage(page, false, 2.0);
    }
};

QTEST_MAIN(PrintCupsTest)
#include "print_cups_test.moc"
