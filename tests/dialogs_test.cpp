// SPDX-License-Identifier: GPL-3.0-or-later
// The clear, quit and message dialogs, driven by clicks and keys on the
// offscreen platform: their look, the dialog result they leave, and quitting.
#include "app/MainWindow.h"
#include "covers/CoverSlot.h"
#include "dialogs/Dialogs.h"
#include "support/TestEnvironment.h"
#include "ui/Chrome.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace quillane;

namespace {

// The common look of the three small dialogs.
void checkCommonLook(QWidget *dialog, const QString &title)
{
    QVERIFY(dialog->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->size(), twips::rect({0, 0, 2895, 1815}).size());
    const QByteArray caption = title.toUtf8();
    QVERIFY(
        test::checkControls(dialog, {{"Shape1", {0, 0, 2895, 255}, nullptr, 0},
                                     {"Label6", {120, 0, 2535, 255}, caption.constData(), 11.25},
                                     {"Label5", {2640, 0, 255, 255}, "x", 9},
                                     {"Shape2", {0, 240, 2895, 1575}, nullptr, 0},
                                     {"Image1", {120, 480, 480, 480}, nullptr, 0}}));
    QCOMPARE(dialog->findChild<FilledRect *>("Shape1")->fillColor(), QColor(128, 128, 255));
    QCOMPARE(dialog->findChild<ClickLabel *>("Label5")->textColor(), QColor(224, 224, 224));
    QCOMPARE(dialog->findChild<QLabel *>("Image1")->pixmap().size(), QSize(32, 32));
    for (auto *button : dialog->findChildren<QPushButton *>()) {
        QCOMPARE(button->size(), twips::rect({0, 0, 975, 375}).size());
        QVERIFY(!button->isDefault());
        QCOMPARE(button->palette().color(QPalette::Button), QColor(Qt::white));
    }
}

} // namespace

class DialogsTest : public QObject, test::MainWindowFixture {
    Q_OBJECT

    test::ConfigHome home_;

private slots:
    void init()
    {
        home_.clear();
        start();
    }
    void cleanup() { stop(); }

    void clearDialogLooksAsDesigned()
    {
        QString result;
        ClearDialog dialog(window_.get(), result);
        checkCommonLook(&dialog, "Clear");
        QVERIFY(test::checkControls(
            &dialog, {{"Label1", {720, 480, 2055, 255}, "Clear current image?", 9.75},
                      {"Label2", {720, 840, 2055, 255}, "Are you sure?", 9.75},
                      {"Command1", {360, 1320, 975, 375}, "&Yes", 9},
                      {"Command2", {1560, 1320, 975, 375}, "&No", 9}}));
    }

    void quitDialogLooksAsDesigned()
    {
        QuitDialog dialog(window_.get());
        checkCommonLook(&dialog, "Quit");
        QVERIFY(
            test::checkControls(&dialog, {{"Label2", {720, 600, 1935, 255}, "Are you sure?", 9.75},
                                          {"Command1", {360, 1320, 975, 375}, "&Yes", 9},
                                          {"Command2", {1560, 1320, 975, 375}, "&No", 9}}));
    }

    void messageDialogShowsTheFailure()
    {
        MessageDialog dialog(window_.get(), {481, "\"a.jpg\" cannot be loaded."});
        checkCommonLook(&dialog, "Error: 481");
        QVERIFY(test::checkControls(
            &dialog, {{"Label1", {720, 360, 2055, 855}, "\"a.jpg\" cannot be loaded.", 9.75},
                      {"Command2", {960, 1320, 975, 375}, "&Ok", 9}}));
        QVERIFY(!dialog.findChild<QWidget *>("Command1"));
    }

    void longDescriptionsWrapInsideTheTextArea()
    {
        const QString description =
            "The picture \"" + QString(60, 'w') + ".jpg\" is too large: 60000 x 60000 pixels.";
        MessageDialog dialog(window_.get(), {7, description});
        auto *label = dialog.findChild<WrappingText *>("Label1");
        QCOMPARE(label->text(), description);
        // Every line fits the box, in width and in height: nothing is cut off.
        QVERIFY(label->wrappedSize().width() <= label->width());
        QVERIFY(label->wrappedSize().height() <= label->height());
        QVERIFY(label->font().pointSizeF() >= 6);
        QVERIFY(label->font().pointSizeF() < 9.75);
    }

    void clearDialogAnswers_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("result");
        QTest::newRow("Yes") << "Command1"
                             << "";
        QTest::newRow("No") << "Command2"
                            << "False";
        QTest::newRow("Enter on open") << "enter"
                                       << "False";
        QTest::newRow("Alt+Y") << "alt+y"
                               << "";
        QTest::newRow("closed by the window manager") << "close"
                                                      << "False";
    }

    void clearDialogAnswers()
    {
        QFETCH(QString, how);
        QFETCH(QString, result);
        QString dialogResult;
        bool stillOpenAfterEscape = false;
        QString focused;
        QPoint offCentre;
        test::modals() << [&](QWidget *dialog) {
            focused = QApplication::focusWidget()->objectName();
            offCentre = dialog->geometry().center() - window_->geometry().center();
            QTest::keyClick(dialog, Qt::Key_Escape);
            stillOpenAfterEscape = dialog->isVisible();
            if (how == "enter")
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            else if (how == "alt+y")
                QTest::keyClick(dialog, Qt::Key_Y, Qt::AltModifier);
            else if (how == "close")
                dialog->close();
            else
                test::clickChild(dialog, how.toLatin1());
        };
        ClearDialog(window_.get(), dialogResult).exec();

        QCOMPARE(dialogResult, result);
        QVERIFY(stillOpenAfterEscape);
        QCOMPARE(focused, QString("Command2"));
        QVERIFY(qAbs(offCentre.x()) <= 1 && qAbs(offCentre.y()) <= 1);
    }

    void messageDialogFocusesOk()
    {
        QString focused;
        test::modals() << [&](QWidget *) {
            focused = QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
        };
        showFailure(window_.get(), {53, "gone"});
        QCOMPARE(focused, QString("Command2"));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }

    void quitAsksFromBothControls_data()
    {
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("quits");
        QTest::newRow("x, Yes") << QByteArray("Label3") << QByteArray("Command1") << true;
        QTest::newRow("x, No") << QByteArray("Label3") << QByteArray("Command2") << false;
        QTest::newRow("Exit, Yes") << QByteArray("Command1") << QByteArray("Command1") << true;
        QTest::newRow("Exit, No") << QByteArray("Command1") << QByteArray("Command2") << false;
        QTest::newRow("Exit, Enter") << QByteArray("Command1") << QByteArray("enter") << false;
        QTest::newRow("Exit, closed") << QByteArray("Command1") << QByteArray("close") << false;
    }

    void quitAsksFromBothControls()
    {
        QFETCH(QByteArray, control);
        QFETCH(QByteArray, answer);
        QFETCH(bool, quits);
        // A loaded picture does not hold the program back.
        QTemporaryDir dir;
        platform_->commonDialog.openAnswers << test::writePicture(dir, "front.jpg", {40, 40});
        test::clickChild(window_.get(), "Image1");
        QVERIFY(window_->frontSlot().isFilled());

        QSignalSpy quit(window_.get(), &MainWindow::quitConfirmed);
        const QRect before = window_->geometry();
        QString title;
        test::modals() << [&](QWidget *dialog) {
            title = dialog->findChild<QLabel *>("Label6")->text();
            if (answer == "enter")
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            else if (answer == "close")
                dialog->close();
            else
                test::clickChild(dialog, answer);
        };
        test::clickChild(window_.get(), control);

        QCOMPARE(title, QString("Quit"));
        QCOMPARE(quit.count(), quits ? 1 : 0);
        QCOMPARE(window_->geometry(), before);
        QVERIFY(window_->frontSlot().isFilled());
        QCOMPARE(home_.fileValue("PrintFront"), QString("True"));
    }

    // A dialog whose answer does nothing fails its test within the driver's
    // deadline instead of waiting for CTest's limit: the program runs itself
    // on the case below and must fail it, naming the dialog.
    void aDialogThatNeverAnswersFailsInTime()
    {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QUILLANE_UNANSWERED_DIALOG", "1");
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        QElapsedTimer clock;
        clock.start();
        child.start(QCoreApplication::applicationFilePath(), {"unansweredDialog"});
        QVERIFY(child.waitForFinished(60000));
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() != 0, output);
        QVERIFY2(output.contains("the modal window Stuck"), output);
        QVERIFY2(clock.elapsed() < 30000, qPrintable(QString::number(clock.elapsed())));
    }

    void unansweredDialog()
    {
        if (!qEnvironmentVariableIsSet("QUILLANE_UNANSWERED_DIALOG"))
            QSKIP("run by aDialogThatNeverAnswersFailsInTime");
        test::modals().deadlineMs = 1000;
        QDialog stuck(window_.get());
        stuck.setObjectName("Stuck");
        test::modals() <<
            [](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Y, Qt::AltModifier); };
        stuck.exec();
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
