// SPDX-License-Identifier: GPL-3.0-or-later
// The print button on the main window with a test printer: the "Print to:"
// dialog as the user meets it, the silent ends, the answers, every failure
// point, and that nothing half printed reaches the printer.
#include "app/MainWindow.h"
#include "base/Failures.h"
#include "covers/CoverSlot.h"
#include "dialogs/Dialogs.h"
#include "support/TestEnvironment.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace quillane;

namespace {

const QStringList Printers = {"Alpha", "Beta", "Gamma"};

// What the printer receives for both covers with every option on, after the
// dialog listed the printers; the test pictures are 64 x 48 and 40 x 30.
const QStringList WorkedExample = {
    "picture 64x48 at 1440,1000 6900x6900", "picture 40x30 at 1440,8340 8530x6700",
    "line 1790,8340 1790,15058 colour 255", "line 9620,8340 9620,15058 colour 255",
    "line 1440,1000 8340,1000 colour 0",    "line 1440,1000 1440,7900 colour 0",
    "line 8340,1000 8340,7900 colour 0",    "line 1440,7900 8340,7900 colour 0",
    "line 1440,8335 9965,8335 colour 0",    "line 1440,8335 1440,15045 colour 0",
    "line 9965,8335 9965,15045 colour 0",   "line 1440,15045 9965,15045 colour 0",
};

struct Message {
    QString title;
    QString text;
    bool busyCursor = false;
};

bool busyCursorShown()
{
    return QApplication::overrideCursor() &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

} // namespace

class PrintJobTest : public QObject, test::MainWindowFixture {
    Q_OBJECT

    test::ConfigHome home_;
    QTemporaryDir pictures_;
    QList<Message> messages_;

    FakePrinter &printer() { return platform_->printer; }

    void start(bool front, bool back)
    {
        MainWindowFixture::start(
            [](test::TestPlatform &doubles) { doubles.printer.printers = Printers; });
        if (window_->printFrontBox()->isChecked() != front)
            test::clickChild(window_.get(), "Check1");
        if (window_->printBackBox()->isChecked() != back)
            test::clickChild(window_.get(), "Check2");
    }

    // Loads the pictures as the user does: a click on the slot and a file.
    void load(bool front, bool back)
    {
        if (front) {
            platform_->commonDialog.openAnswers
                << test::writePicture(pictures_, "front.png", QSize(64, 48), Qt::red);
            test::clickChild(window_.get(), "Image1");
            QVERIFY(window_->frontSlot().isFilled());
        }
        if (back) {
            platform_->commonDialog.openAnswers
                << test::writePicture(pictures_, "back.png", QSize(40, 30), Qt::blue);
            test::clickChild(window_.get(), "Image2");
            QVERIFY(window_->backSlot().isFilled());
        }
    }

    void everythingOn()
    {
        home_.set("GuideLine", "True");
        home_.set("LineColor", "255");
        home_.set("BorderLine", "True");
        home_.set("Border", "Both");
    }

    // Answers the next "Print to:" window: inside runs first, then the button.
    // A failure message that follows is read and closed.
    void answerPrintTo(const char *button, std::function<void(QWidget *)> inside = {})
    {
        test::modals() << [=](QWidget *dialog) {
            QCOMPARE(dialog->objectName(), QString("Form7"));
            if (inside)
                inside(dialog);
            if (button)
                test::clickChild(dialog, button);
        };
        test::modals() << [this](QWidget *message) { readMessage(message); };
    }

    void readMessage(QWidget *message)
    {
        QCOMPARE(message->objectName(), QString("Form5"));
        messages_ << Message{message->findChild<QLabel *>("Label6")->text(),
                             message->findChild<QLabel *>("Label1")->text(), busyCursorShown()};
        test::clickChild(message, "Command2");
    }

    // Clicks the print button and answers the windows it opens; answers not
    // used by this job are dropped.
    void print()
    {
        test::clickChild(window_.get(), "Command3");
        test::modals().drop();
    }

private slots:
    void init()
    {
        home_.clear();
        messages_.clear();
    }
    void cleanup()
    {
        stop();
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    void printToDialogLooksAsDesigned()
    {
        start(true, true);
        load(true, true);
        QRect mainGeometry = window_->geometry();
        answerPrintTo("Command2", [&](QWidget *dialog) {
            QCOMPARE(dialog->size(), QSize(217, 121));
            QVERIFY(dialog->windowFlags() & Qt::FramelessWindowHint);
            QVERIFY(dialog->isModal());
            QVERIFY(qAbs(dialog->geometry().center().x() - mainGeometry.center().x()) <= 1);
            QVERIFY(qAbs(dialog->geometry().center().y() - mainGeometry.center().y()) <= 1);
            const test::ControlRow rows[] = {
                {"Shape1", {0, 0, 3255, 255}, nullptr, 0},
                {"Label6", {120, 0, 2895, 255}, "Print", 11.25},
                {"Label5", {3000, 0, 255, 255}, "x", 9},
                {"Shape2", {0, 240, 3255, 1575}, nullptr, 0},
                {"Image1", {120, 480, 480, 480}, nullptr, 0},
                {"Label1", {720, 480, 2415, 255}, "Print to:", 9.75},
                {"Combo1", {720, 720, 2415, 330}, nullptr, 8.25},
                {"Command1", {720, 1320, 855, 375}, "&Yes", 9},
                {"Command2", {1680, 1320, 855, 375}, "&No", 9},
            };
            QVERIFY(test::checkControls(dialog, rows));
            QCOMPARE(dialog->findChild<QLabel *>("Label5")->palette().color(QPalette::WindowText),
                     QColor(224, 224, 224));
            QCOMPARE(dialog->findChild<QLabel *>("Image1")->pixmap().size(), QSize(32, 32));
            for (const char *name : {"Command1", "Command2"}) {
                auto *button = dialog->findChild<QPushButton *>(name);
                QVERIFY(!button->isDefault() && !button->autoDefault());
                QCOMPARE(button->palette().color(QPalette::Button), QColor(Qt::white));
            }

            // The printers in the platform's order, none chosen, the field empty.
            auto *list = dialog->findChild<QComboBox *>("Combo1");
            QVERIFY(list->isEditable());
            QCOMPARE(test::listedIn(dialog), Printers);
            QCOMPARE(list->currentIndex(), -1);
            QCOMPARE(list->currentText(), QString());

            // Focus on "&No", then "&Yes", then the list.
            // The dialog takes the focus once the window system has activated it.
            QTRY_COMPARE(QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                                     : QString(),
                         QString("Command2"));
            QStringList visited;
            for (int i = 0; i < 3; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                QWidget *focus = QApplication::focusWidget();
                visited << (qobject_cast<QComboBox *>(focus->parentWidget())
                                ? focus->parentWidget()->objectName()
                                : focus->objectName());
            }
            QCOMPARE(visited, QStringList({"Command1", "Combo1", "Command2"}));
        });
        print();
        QCOMPARE(printer().log, QStringList({"list"}));
    }

    void silentEnds_data()
    {
        QTest::addColumn<bool>("front");
        QTest::addColumn<bool>("back");
        QTest::addColumn<bool>("frontLoaded");
        QTest::addColumn<bool>("backLoaded");
        QTest::newRow("nothing selected, both loaded") << false << false << true << true;
        QTest::newRow("front without a front picture") << true << false << false << true;
        QTest::newRow("back without a back picture") << false << true << true << false;
        QTest::newRow("both without a back picture") << true << true << true << false;
        QTest::newRow("both without a front picture") << true << true << false << true;
        QTest::newRow("both without pictures") << true << true << false << false;
    }

    void silentEnds()
    {
        QFETCH(bool, front);
        QFETCH(bool, back);
        QFETCH(bool, frontLoaded);
        QFETCH(bool, backLoaded);
        everythingOn();
        start(front, back);
        load(frontLoaded, backLoaded);
        window_->dialogResult() = "False";
        print();
        QTest::qWait(50);
        // The result is cleared; no dialog listed printers; no page, not even a blank one.
        QCOMPARE(window_->dialogResult(), QString());
        QCOMPARE(printer().log, QStringList());
        QVERIFY(messages_.isEmpty());
    }

    void answers_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("result");
        QTest::addColumn<bool>("prints");
        QTest::newRow("yes") << QString("yes") << QString("True") << true;
        QTest::newRow("no") << QString("no") << QString("False") << false;
        QTest::newRow("closed by the window manager")
            << QString("close") << QString("False") << false;
        QTest::newRow("enter at once presses no") << QString("enter") << QString("False") << false;
        QTest::newRow("the x does nothing") << QString("x then yes") << QString("True") << true;
    }

    void answers()
    {
        QFETCH(QString, how);
        QFETCH(QString, result);
        QFETCH(bool, prints);
        everythingOn();
        start(true, true);
        load(true, true);
        answerPrintTo(nullptr, [&](QWidget *dialog) {
            if (how == "yes") {
                test::clickChild(dialog, "Command1");
            } else if (how == "no") {
                test::clickChild(dialog, "Command2");
            } else if (how == "close") {
                dialog->close();
            } else if (how == "enter") {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            } else {
                test::clickChild(dialog, "Label5");
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
                QVERIFY(dialog->isVisible());
                test::clickChild(dialog, "Command1");
            }
        });
        print();
        QCOMPARE(window_->dialogResult(), result);
        QCOMPARE(printer().log, prints ? QStringList("list") + WorkedExample + QStringList("end")
                                       : QStringList("list"));
        QVERIFY(messages_.isEmpty());
    }

    // Which covers a selection draws is the layout's; here, that the check
    // boxes choose it: each selected cover's picture goes out, and only it.
    void eachSelectionPrintsItsCovers_data()
    {
        QTest::addColumn<bool>("front");
        QTest::addColumn<bool>("back");
        QTest::newRow("front") << true << false;
        QTest::newRow("back") << false << true;
    }

    void eachSelectionPrintsItsCovers()
    {
        QFETCH(bool, front);
        QFETCH(bool, back);
        everythingOn();
        start(front, back);
        // Both slots filled: only the selected covers are printed.
        load(true, true);
        answerPrintTo("Command1");
        print();
        QCOMPARE(printer().log.filter("picture"), QStringList(WorkedExample[front ? 0 : 1]));
        QCOMPARE(printer().log.first(), QString("list"));
        QCOMPARE(printer().log.last(), QString("end"));
    }

    void choosingAnEntryMakesItCurrentAtOnce()
    {
        start(true, false);
        load(true, false);
        answerPrintTo("Command2", [this](QWidget *dialog) {
            QCOMPARE(test::listedIn(dialog), Printers);
            auto *list = dialog->findChild<QComboBox *>("Combo1");
            // Typed text, even a printer's name and Enter, changes nothing.
            QTest::mouseClick(list->lineEdit(), Qt::LeftButton);
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(list));
            QTest::keyClicks(list, "Beta");
            QTest::keyClick(list, Qt::Key_Return);
            QVERIFY(dialog->isVisible());
            QCOMPARE(printer().log, QStringList({"list"}));
            // The keyboard chooses...
            QTest::keyClick(list, Qt::Key_Down);
            QCOMPARE(printer().log, QStringList({"list", "current 0"}));
            // ...and so does the mouse, in the opened list.
            list->showPopup();
            QAbstractItemView *view = list->view();
            QTRY_VERIFY(view->isVisible());
            const QRect third = view->visualRect(list->model()->index(2, 0));
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, third.center());
            QTRY_COMPARE(printer().log, QStringList({"list", "current 0", "current 2"}));
            QCOMPARE(list->currentText(), QString("Gamma"));
            QVERIFY(dialog->isVisible());
            QCOMPARE(window_->dialogResult(), QString());
        });
        print();
        // "&No" keeps the choice; nothing is printed.
        QCOMPARE(window_->dialogResult(), QString("False"));
        QCOMPARE(printer().current, 2);
        QCOMPARE(printer().log, QStringList({"list", "current 0", "current 2"}));
    }

    void twoJobsInARow()
    {
        start(true, false);
        load(true, false);
        answerPrintTo("Command2");
        print();
        QCOMPARE(window_->dialogResult(), QString("False"));
        // The first job's "False" does not cancel the second.
        answerPrintTo(nullptr, [](QWidget *dialog) { dialog->close(); });
        print();
        answerPrintTo("Command1");
        print();
        QCOMPARE(window_->dialogResult(), QString("True"));
        QCOMPARE(printer().log, QStringList({"list", "list", "list", WorkedExample[0], "end"}));
    }

    void guideColourThatDoesNotConvertSendsNothing()
    {
        everythingOn();
        home_.set("LineColor", "abc");
        start(true, true);
        load(true, true);
        answerPrintTo("Command1");
        print();
        // Composed whole before printing: the pictures never went out.
        QCOMPARE(printer().log, QStringList({"list"}));
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(messages_[0].title, QString("Error: 13"));
        QCOMPARE(messages_[0].text, failures::lineColourNotANumber().description);
        QVERIFY(!messages_[0].busyCursor);
    }

    void everyFailurePointAbandonsThePage_data()
    {
        QTest::addColumn<int>("failAt");
        for (int i = 0; i <= WorkedExample.size(); ++i)
            QTest::newRow(qPrintable(i < WorkedExample.size() ? WorkedExample[i] : "end")) << i;
    }

    void everyFailurePointAbandonsThePage()
    {
        QFETCH(int, failAt);
        everythingOn();
        start(true, true);
        load(true, true);
        printer().failAt = failAt;
        printer().failure = failures::jobRefused("the printer is out of order");
        answerPrintTo("Command1");
        print();

        QStringList expected = QStringList("list") + WorkedExample.mid(0, failAt);
        if (failAt < WorkedExample.size())
            expected << WorkedExample[failAt] + " FAILED"
                     << "abandon";
        else
            expected << "end FAILED";
        QCOMPARE(printer().log, expected);
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(messages_[0].title, QString("Error: 482"));
        QCOMPARE(messages_[0].text, QString("Not printed: the printer is out of order"));
        QVERIFY(!messages_[0].busyCursor);
        // The settings, the slots and the boxes are as they were.
        QCOMPARE(home_.fileValue("LineColor"), QString("255"));
        QVERIFY(window_->frontSlot().isFilled() && window_->backSlot().isFilled());
        QVERIFY(window_->printFrontBox()->isChecked() && window_->printBackBox()->isChecked());
    }

    // A page the printer's own area cannot hold: nothing drawn, the printer named.
    void aPageTooLargeForThePrinterSendsNothing()
    {
        everythingOn();
        start(true, true);
        load(true, true);
        printer().area = {"Beta", "Letter", 9360, 12960};
        answerPrintTo("Command1");
        print();
        QCOMPARE(printer().log, QStringList("list"));
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(messages_[0].text,
                 failures::coversDoNotFit("Beta", "Letter", 610, 1098).description);
    }

    void everyPrintingMessageFitsItsWindow()
    {
        const QString longName = "HP_Color_LaserJet_CM3530";
        const Failure all[] = {
            failures::lineColourNotANumber(),
            failures::noPrinter(),
            failures::printServiceUnreachable(),
            failures::noDefaultPrinter(),
            failures::chosenPrinterUnknown(),
            failures::printerGone(longName),
            failures::notAcceptingJobs(longName),
            failures::printerStopped("Office", "paused"),
            failures::jobRefused("Bad Request"),
            failures::jobRefused(QString()),
            failures::spoolFailed("No space left on device"),
            failures::pictureNotPrintable(),
            failures::pictureTooLargeToPrint(),
            failures::printServiceNotAnswering(10),
            failures::printingModuleMissing(),
        };
        for (const Failure &failure : all) {
            MessageDialog dialog(nullptr, failure);
            auto *text = dialog.findChild<WrappingText *>("Label1");
            // At the window's own size: no text needs setting smaller.
            QVERIFY2(text->font().pointSizeF() == 9.75, qPrintable(failure.description));
            QVERIFY2(text->wrappedSize().height() <= text->height(),
                     qPrintable(failure.description));
        }
        // Longer ones are set smaller, all of it shown.
        const Failure longer[] = {
            failures::coversDoNotFit(longName, "Letter", 610, 1098),
            failures::notAcceptingJobs(longName, "paused, Rejecting Jobs"),
            failures::printerStopped(longName, "paused, Out of paper"),
            failures::jobAborted(longName, "Job aborted due to filter errors"),
            failures::jobWaiting(longName, "no reason given", 1234),
            failures::pageNotWritten(
                "/home/someone/Documents/Covers for the shop/Quillane covers.pdf",
                failures::PermissionDenied, "Permission denied"),
        };
        for (const Failure &failure : longer) {
            MessageDialog dialog(nullptr, failure);
            auto *text = dialog.findChild<WrappingText *>("Label1");
            QVERIFY2(text->wrappedSize().height() <= text->height(),
                     qPrintable(failure.description));
        }
    }

    // What was loaded is printed, whatever became of the file since.
    void printsThePictureAsLoaded()
    {
        start(true, false);
        load(true, false);
        const QString path = window_->frontSlot().path();
        QVERIFY(test::writePicture(pictures_, "front.png", QSize(10, 10), Qt::green) == path);
        for (const char *afterwards : {"changed", "removed"}) {
            printer().painted.clear();
            answerPrintTo("Command1");
            print();
            QVERIFY2(messages_.isEmpty(), afterwards);
            QCOMPARE(printer().painted.size(), 1);
            QCOMPARE(printer().painted[0].size(), QSize(64, 48));
            QCOMPARE(printer().painted[0].pixelColor(32, 24), QColor(Qt::red));
            if (QByteArray(afterwards) == "changed")
                QVERIFY(QFile::remove(path));
        }
    }

    // Each cover reaches the printer with the pixels its rectangle shows at
    // the printer's density, never more than the picture has.
    void picturesTravelAtThePrintersDensity_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("density");
        QTest::addColumn<QSize>("front"); // on the 6900-twip square
        QTest::addColumn<QSize>("back");  // on 8530 x 6700 twips
        QTest::newRow("JPEG, a scaled decode and a smooth scale")
            << "big.jpg" << QSize(2400, 1800) << 100 << QSize(480, 480) << QSize(593, 466);
        QTest::newRow("JPEG at 300 ppi")
            << "big.jpg" << QSize(2400, 1800) << 300 << QSize(1438, 1438) << QSize(1778, 1396);
        QTest::newRow("PNG at 300 ppi")
            << "big.png" << QSize(2400, 1800) << 300 << QSize(1438, 1438) << QSize(1778, 1396);
        QTest::newRow("a narrow strip keeps its width")
            << "strip.bmp" << QSize(300, 3000) << 300 << QSize(300, 1438) << QSize(300, 1396);
        QTest::newRow("small stays small")
            << "small.png" << QSize(64, 48) << 600 << QSize(64, 48) << QSize(64, 48);
        QTest::newRow("density 0: natural size")
            << "big.jpg" << QSize(2400, 1800) << 0 << QSize(2400, 1800) << QSize(2400, 1800);
    }

    void picturesTravelAtThePrintersDensity()
    {
        QFETCH(QString, file);
        QFETCH(QSize, size);
        QFETCH(int, density);
        QFETCH(QSize, front);
        QFETCH(QSize, back);
        start(true, true);
        const QString path = test::writePicture(pictures_, file, size, Qt::red);
        for (const char *slot : {"Image1", "Image2"}) {
            platform_->commonDialog.openAnswers << path;
            test::clickChild(window_.get(), slot);
        }
        printer().area.pictureDensity = density;
        answerPrintTo("Command1");
        print();
        QVERIFY(messages_.isEmpty());
        QCOMPARE(printer().painted.size(), 2);
        QCOMPARE(printer().painted[0].size(), front);
        QCOMPARE(printer().painted[1].size(), back);
        for (const QImage &picture : std::as_const(printer().painted)) {
            const QColor centre = picture.pixelColor(picture.width() / 2, picture.height() / 2);
            QVERIFY2(centre.red() > 240 && centre.green() < 16 && centre.blue() < 16,
                     qPrintable(centre.name()));
        }
    }

    // The windows repaint while the printer takes its time, and the job
    // returns only when the page is gone.
    void windowRepaintsWhileThePrinterIsSlow()
    {
        start(true, true);
        load(true, true);
        QSemaphore released;
        QAtomicInt sending, releasedInTime;
        printer().onOperation = [&](const QString &entry) {
            if (entry == "end") {
                sending = 1;
                releasedInTime = released.tryAcquire(1, 5000); // fails, never hangs
                sending = 0;
            }
        };
        // The main window's paint events while the page is being sent.
        struct PaintCounter : QObject {
            QWidget *window = nullptr;
            QAtomicInt *sending = nullptr;
            int paints = 0;
            bool eventFilter(QObject *object, QEvent *event) override
            {
                if (event->type() == QEvent::Paint && *sending && object->isWidgetType() &&
                    static_cast<QWidget *>(object)->window() == window)
                    ++paints;
                return false;
            }
        } counter;
        counter.window = window_.get();
        counter.sending = &sending;
        qApp->installEventFilter(&counter);
        // A picture box asked to repaint, as an expose would.
        QWidget *box = window_->findChild<QWidget *>("Image1");
        QTimer expose;
        connect(&expose, &QTimer::timeout, this, [&] {
            box->update();
            if (counter.paints >= 3)
                released.release();
        });
        expose.start(10);
        answerPrintTo("Command1");
        print();
        expose.stop();
        QVERIFY2(releasedInTime, "the window did not repaint while the page was sent");
        QCOMPARE(printer().log.last(), QString("end"));
        QVERIFY(messages_.isEmpty());
    }

    void busyWhilePrintingOnly()
    {
        start(true, false);
        load(true, false);
        QStringList cursor;
        printer().onOperation = [&](const QString &entry) {
            cursor << entry.section(' ', 0, 0) + (busyCursorShown() ? " busy" : " idle");
        };
        bool busyInDialog = true;
        answerPrintTo("Command1", [&](QWidget *) { busyInDialog = busyCursorShown(); });
        print();
        QVERIFY(!busyInDialog);
        QCOMPARE(cursor, QStringList({"picture busy", "end busy"}));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }
};

QTEST_MAIN(PrintJobTest)
#include "print_job_test.moc"
