// SPDX-License-Identifier: GPL-3.0-or-later
// A print service that takes the connection and never answers: the print
// job ends within its bounds with a message, and nothing waits for ever.
#include "app/MainWindow.h"
#include "base/Failures.h"
#include "printing/CupsModulePrinter.h"
#include "support/TestEnvironment.h"
#include "support/print_desktop.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quillane;

class PrintServiceTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int silent_ = -1;

private slots:
    void initTestCase()
    {
        // Before anything asks CUPS; the listening socket accepts and stays mute.
        QVERIFY(dir_.isValid());
        const QString socket = dir_.filePath("cups.sock");
        qputenv("CUPS_SERVER", QFile::encodeName(socket));
        qputenv("CUPS_SERVERROOT", QFile::encodeName(dir_.path()));
        qputenv("HOME", QFile::encodeName(dir_.path()));
        // Connections wait in the backlog, accepted by the system, never read.
        silent_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(socket);
        QVERIFY(path.size() < qsizetype(sizeof(address.sun_path)));
        memcpy(address.sun_path, path.constData(), size_t(path.size()));
        QVERIFY(::bind(silent_, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0);
        QVERIFY(::listen(silent_, 16) == 0);
        // Without bounds the job would wait here until CTest's time limit fails it.
    }

    void cleanupTestCase() { ::close(silent_); }

    void silentServiceEndsTheJobWithinTheBound()
    {
        const CupsBounds bounds{500, 1000};
        test::ConfigHome home;
        test::CupsDesktop desktop(CupsPrinter::Resampling::Down, bounds);
        const auto window = test::showMainWindow(desktop.platform);
        for (const char *slot : {"Image1", "Image2"}) {
            desktop.commonDialog.openAnswers
                << test::writePicture(dir_, QString(slot) + ".png", {8, 8}, Qt::red);
            test::clickChild(window.get(), slot);
        }

        QStringList messages;
        bool waiting = false;
        test::modals() << [&waiting](QWidget *dialog) {
            // Open at once, its list still waiting for the service; "&Yes" waits too.
            auto *list = dialog->findChild<QComboBox *>("Combo1");
            waiting = !list->isEnabled() && list->count() == 0;
            test::clickChild(dialog, "Command1");
        };
        test::modals() << [&messages](QWidget *message) {
            messages << message->findChild<QLabel *>("Label1")->text();
            test::clickChild(message, "Command2");
        };
        QElapsedTimer clock;
        clock.start();
        test::clickChild(window.get(), "Command3");
        test::modals().drop();
        const qint64 elapsed = clock.elapsed();

        QVERIFY(waiting);
        QCOMPARE(messages,
                 QStringList(failures::printServiceNotAnswering(bounds.answer / 1000).description));
        // One silent wait for the list (libcups adds a second of its own);
        // the job does not wait a second time.
        QVERIFY2(elapsed < bounds.answer + 1500, qPrintable(QString::number(elapsed)));
        QCOMPARE(desktop.printer.lastJob(), 0);
    }

    // Asked directly, through the module the program loads, and with the
    // module missing: every answer comes within the bound, or at once.
    void askingAboutThePrinterIsBoundedToo_data()
    {
        QTest::addColumn<QString>("module"); // empty: CupsPrinter itself
        QTest::addColumn<bool>("moduleThere");
        QTest::newRow("CupsPrinter") << QString() << true;
        QTest::newRow("the program's module") << QString(QUILLANE_CUPS_MODULE) << true;
        QTest::newRow("module missing") << dir_.filePath("none/quillane-cups.so") << false;
    }

    void askingAboutThePrinterIsBoundedToo()
    {
        QFETCH(QString, module);
        QFETCH(bool, moduleThere);
        const CupsBounds bounds{500, 1000};
        std::unique_ptr<Printer> printer;
        if (module.isEmpty())
            printer = std::make_unique<CupsPrinter>(CupsPrinter::Resampling::Down, bounds);
        else
            printer = std::make_unique<CupsModulePrinter>(module, bounds);
        const Failure expected =
            moduleThere ? failures::printServiceNotAnswering(1) : failures::printingModuleMissing();
        if (!moduleThere)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot load library"));
        PrintableArea area;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(printer->printableArea(&area), expected);
        QVERIFY2(clock.elapsed() < bounds.answer + 1500,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(printer->listPrinters(), QStringList());
        // Nothing drawn reaches the service: the page cannot even begin.
        QCOMPARE(printer->drawLine(0, 0, 10, 10, 0), expected);
        QCOMPARE(printer->endDocument(), moduleThere ? MaybeFailure() : expected);
        if (auto *cups = dynamic_cast<CupsPrinter *>(printer.get()))
            QCOMPARE(cups->lastJob(), 0);
    }
};

QTEST_MAIN(PrintServiceTest)
#include "print_service_test.moc"
