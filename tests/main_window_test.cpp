// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on the offscreen platform: its controls where the design
// puts them, the start-up from the real settings file, the check boxes, the
// window height, the title drag, minimising and help.
#include "app/MainWindow.h"
#include "desktop/QtHelpViewer.h"
#include "support/TestEnvironment.h"
#include "ui/Chrome.h"
#include "ui/Twips.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <memory>

using namespace quillane;

namespace {

// Every visible control of the main window as the design gives it.
const test::ControlRow Inventory[] = {
    {"Shape1", {0, 0, 5775, 255}, nullptr, 0, "", "quillane::FilledRect"},
    {"Label6", {120, 0, 4815, 255}, "Quillane 2.2", 11.25, "", "quillane::ClickLabel"},
    {"Label5", {5040, 0, 255, 255}, "?", 9, "About Quillane", "quillane::ClickLabel"},
    {"Label4", {5280, 0, 255, 255}, "_", 9, "Minimize", "quillane::ClickLabel"},
    {"Label3", {5520, 0, 255, 255}, "x", 9, "Close", "quillane::ClickLabel"},
    {"Shape2", {0, 240, 5775, 4575}, nullptr, 0, "", "quillane::FilledRect"},
    {"Command1", {120, 360, 615, 615}, "", 0, "Exit", "QPushButton"},
    {"Command3", {960, 360, 615, 615}, "", 0, "Print", "QPushButton"},
    {"Check1", {1680, 360, 735, 255}, "Front", 9, "Print Front", "QCheckBox"},
    {"Check2", {1680, 720, 735, 255}, "Back", 9, "Print Back", "QCheckBox"},
    {"Command2", {2520, 360, 615, 615}, "", 0, "Print Settings", "QPushButton"},
    {"Command4", {3360, 360, 615, 615}, "", 0, "View Image", "QPushButton"},
    {"Option1(0)", {4080, 360, 735, 255}, "Front", 9, "View Front", "QRadioButton"},
    {"Option1(1)", {4080, 720, 735, 255}, "Back", 9, "View Back", "QRadioButton"},
    {"Command5", {5040, 360, 615, 615}, "", 0, "Help", "QPushButton"},
    {"Line2", {840, 240, 0, 840}, nullptr, 0, "", "quillane::LineWidget"},
    {"Line3", {3240, 240, 0, 840}, nullptr, 0, "", "quillane::LineWidget"},
    {"Line4", {4920, 240, 0, 840}, nullptr, 0, "", "quillane::LineWidget"},
    {"Line1", {0, 1080, 5760, 0}, nullptr, 0, "", "quillane::LineWidget"},
    {"Line5", {0, 3960, 5760, 0}, nullptr, 0, "", "quillane::LineWidget"},
    {"Image3", {5520, 3720, 240, 240}, nullptr, 0, "Show Artvault Search", "quillane::ClickLabel"},
    {"Image4", {5520, 3720, 240, 240}, nullptr, 0, "Hide Artvault Search", "quillane::ClickLabel"},
};

QRect expectedGeometry(const TwipRect &rect)
{
    QRect r = twips::rect(rect);
    // Lines are one pixel across.
    if (rect.width == 0)
        r.setWidth(1);
    if (rect.height == 0)
        r.setHeight(1);
    return r;
}

QColor bandColour(MainWindow &window)
{
    return window.findChild<FilledRect *>("Shape1")->fillColor();
}

} // namespace

class MainWindowTest : public QObject, test::MainWindowFixture {
    Q_OBJECT

    test::ConfigHome home_;

    template <typename T> T *child(const char *name) { return window_->findChild<T *>(name); }

private slots:
    void init() { home_.clear(); }
    void cleanup() { stop(); }

    void everyControlStandsWhereDesigned()
    {
        MainWindow &window = start();
        QCOMPARE(window.objectName(), QString("form1"));
        QCOMPARE(window.windowTitle(), QString("Quillane 2.2"));
        QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(window.width(), 385);
        QCOMPARE(window.palette().color(QPalette::Window), QColor(192, 192, 192));

        QVERIFY(test::checkControls(&window, Inventory, expectedGeometry));
        for (const test::ControlRow &row : Inventory) {
            if (auto *button = child<QPushButton>(row.name)) {
                QCOMPARE(button->iconSize(), QSize(32, 32));
                // Drawn from a vector source: sharp on a screen of twice the density.
                QCOMPARE(button->icon().pixmap(QSize(32, 32), 2).size(), QSize(64, 64));
                QCOMPARE(button->palette().color(QPalette::Button), QColor(Qt::white));
            }
        }
        QCOMPARE(child<FilledRect>("Shape1")->fillColor(), QColor(128, 128, 255));
        QCOMPARE(child<FilledRect>("Shape2")->fillColor(), QColor(Qt::white));
        QCOMPARE(child<QLabel>("Image3")->pixmap().size(), QSize(16, 16));
        QCOMPARE(child<QLabel>("Image4")->pixmap().size(), QSize(16, 16));
        QCOMPARE(window.windowIcon().pixmap(QSize(32, 32), 2).size(), QSize(64, 64));
    }

    void opensCentredWithFocusOnHelp()
    {
        MainWindow &window = start();
        const QRect screen = window.screen()->availableGeometry();
        QVERIFY(qAbs(window.geometry().center().x() - screen.center().x()) <= 1);
        QVERIFY(qAbs(window.geometry().center().y() - screen.center().y()) <= 1);
        QCOMPARE(QApplication::focusWidget(), child<QWidget>("Command5"));
        QVERIFY(child<QRadioButton>("Option1(0)")->isChecked());
        QVERIFY(!child<QRadioButton>("Option1(1)")->isChecked());
    }

    void tabOrderFollowsTheDesign()
    {
        start();
        // The closed strip's controls are out of sight and out of the order.
        const QStringList expected = {"Command1", "Command3",   "Check1", "Check2",  "Command2",
                                      "Command4", "Option1(0)", "Image1", "Image2",  "Image3",
                                      "Label5",   "Label4",     "Label3", "Command5"};
        QStringList visited;
        for (int i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, expected);
    }

    void firstStartSeedsAndShowsDefaults()
    {
        MainWindow &window = start();
        for (const char *key : {"HomePage", "Border", "BorderLine", "GuideLine", "LineColor",
                                "PrintBack", "PrintFront", "FormHeight"})
            QVERIFY2(home_.fileHas(key), key);
        QVERIFY(child<QCheckBox>("Check1")->isChecked());
        QVERIFY(child<QCheckBox>("Check2")->isChecked());
        QVERIFY(child<QWidget>("Image3")->isVisible());
        QVERIFY(!child<QWidget>("Image4")->isVisible());
        QCOMPARE(window.height(), 265);
        // Starting up neither asks the printers nor decodes a picture.
        QVERIFY(platform_->printer.log.isEmpty());
    }

    void checkBoxesRestoreExactly_data()
    {
        QTest::addColumn<QString>("front");
        QTest::addColumn<QString>("back");
        QTest::addColumn<bool>("frontChecked");
        QTest::addColumn<bool>("backChecked");
        QTest::newRow("both off") << "False"
                                  << "False" << false << false;
        QTest::newRow("lower case is not False") << "false"
                                                 << "False" << true << false;
        QTest::newRow("blank is not False") << "False "
                                            << "FALSE" << true << true;
    }

    void checkBoxesRestoreExactly()
    {
        QFETCH(QString, front);
        QFETCH(QString, back);
        QFETCH(bool, frontChecked);
        QFETCH(bool, backChecked);
        home_.set("HomePage", "x");
        home_.set("PrintFront", front);
        home_.set("PrintBack", back);
        start();
        QCOMPARE(child<QCheckBox>("Check1")->isChecked(), frontChecked);
        QCOMPARE(child<QCheckBox>("Check2")->isChecked(), backChecked);
        // Restoring writes nothing back.
        QCOMPARE(home_.fileValue("PrintFront"), front);
        QCOMPARE(home_.fileValue("PrintBack"), back);
    }

    void checkBoxesSaveOnEveryClickAndComeBack()
    {
        start();
        test::clickChild(window_.get(), "Check1");
        QCOMPARE(home_.fileValue("PrintFront"), QString("False"));
        QCOMPARE(home_.fileValue("PrintBack"), QString("True"));
        test::clickChild(window_.get(), "Check2");
        QCOMPARE(home_.fileValue("PrintBack"), QString("False"));
        test::clickChild(window_.get(), "Check1");
        QCOMPARE(home_.fileValue("PrintFront"), QString("True"));

        start();
        QVERIFY(child<QCheckBox>("Check1")->isChecked());
        QVERIFY(!child<QCheckBox>("Check2")->isChecked());
    }

    void heightAndIconFollowFormHeight_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("open");
        QTest::newRow("closed") << "3975" << 265 << false;
        QTest::newRow("open") << "4815" << 321 << true;
        QTest::newRow("taller") << "5000" << 333 << true;
        QTest::newRow("garbage") << "abc" << 265 << false;
        QTest::newRow("too small") << "100" << 265 << false;
        QTest::newRow("negative") << "-5000" << 265 << false;
    }

    void heightAndIconFollowFormHeight()
    {
        QFETCH(QString, stored);
        QFETCH(int, height);
        QFETCH(bool, open);
        home_.writeRaw("[Settings]\nHomePage=x\nFormHeight=" + stored + "\n");
        MainWindow &window = start();
        QCOMPARE(window.height(), height);
        QCOMPARE(child<QWidget>("Image3")->isVisible(), !open);
        QCOMPARE(child<QWidget>("Image4")->isVisible(), open);
        QCOMPARE(home_.fileValue("FormHeight"), stored);
    }

    void hugeFormHeightStaysOnScreen()
    {
        home_.writeRaw("[Settings]\nHomePage=x\nFormHeight=999999999999\n");
        MainWindow &window = start();
        QCOMPARE(window.height(), window.screen()->availableGeometry().height());
        QVERIFY(child<QWidget>("Image4")->isVisible());
    }

    void titleDragsWithItsColour_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<QPoint>("move");
        QTest::newRow("left") << Qt::LeftButton << QPoint(30, 20);
        QTest::newRow("right") << Qt::RightButton << QPoint(-12, 7);
        QTest::newRow("no move") << Qt::LeftButton << QPoint(0, 0);
    }

    void titleDragsWithItsColour()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(QPoint, move);
        MainWindow &window = start();
        QWidget *title = child<QWidget>("Label6");
        const QPoint before = window.pos();
        const QPoint press(40, 8);

        QColor duringDrag;
        // The pointer's screen position is what counts: the title moves with the window.
        const QPoint target = title->mapToGlobal(press + move);
        QTimer::singleShot(0, this, [&] {
            duringDrag = bandColour(window);
            QTest::mouseMove(title, title->mapFromGlobal(target));
            QTest::mouseRelease(title, button, Qt::NoModifier, title->mapFromGlobal(target));
        });
        QTest::mousePress(title, button, Qt::NoModifier, press);

        QCOMPARE(duringDrag, QColor(192, 192, 255));
        QCOMPARE(bandColour(window), QColor(128, 128, 255));
        QCOMPARE(window.pos(), before + move);
    }

    void onlyTheTitleTextDrags()
    {
        MainWindow &window = start();
        const QPoint before = window.pos();
        for (const char *name : {"Shape1", "Label4", "Shape2"}) {
            QTest::mousePress(child<QWidget>(name), Qt::LeftButton);
            QCOMPARE(bandColour(window), QColor(128, 128, 255));
            QTest::mouseRelease(child<QWidget>(name), Qt::LeftButton);
        }
        QCOMPARE(window.pos(), before);
    }

    void minimiseGlyphMinimises()
    {
        MainWindow &window = start();
        test::clickChild(&window, "Label4");
        QTRY_VERIFY(window.isMinimized());
    }

    void helpOpensTheFileBesideTheProgram()
    {
        start();
        test::clickChild(window_.get(), "Command5");
        QCOMPARE(platform_->commonDialog.helpCalls.size(), 1);
        QCOMPARE(platform_->commonDialog.helpCalls[0].file,
                 QCoreApplication::applicationDirPath() + "/quilldoc.hlp");
        QCOMPARE(platform_->commonDialog.helpCalls[0].command, 9);
    }

    void helpViewerShowsTheFileOrSaysWhyNot()
    {
        QtHelpViewer viewer;
        viewer.show(QCoreApplication::applicationDirPath() + "/no-such-folder/quilldoc.hlp");
        QTextBrowser *window = viewer.window();
        QVERIFY(window && window->isVisible());
        QVERIFY(window->toPlainText().contains("could not be opened"));
        QVERIFY(window->toPlainText().contains("no-such-folder/quilldoc.hlp"));
        QVERIFY(window->toPlainText().contains("No such file or directory"));
        QVERIFY(!window->isModal());

        viewer.show(QStringLiteral(QUILLANE_HELP_FILE));
        QCOMPARE(viewer.window(), window);
        QVERIFY(window->toPlainText().contains("Loading the covers"));
        QVERIFY(window->toPlainText().contains("Print settings"));
        QVERIFY(window->toPlainText().contains("Finding covers online"));
    }

    void startsFast()
    {
        QElapsedTimer clock;
        clock.start();
        start();
        // Generous: the window is built from a handful of widgets and nothing slow.
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
