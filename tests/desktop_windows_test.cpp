// SPDX-License-Identifier: GPL-3.0-or-later
// The real windows as a desktop sees them: readable under a dark theme, named
// for a screen reader, a dialog taking clicks while the title is held, and the
// program ending with its main window.
#include "about/AboutWindow.h"
#include "app/MainWindow.h"
#include "covers/CoverSlot.h"
#include "covers/ImageViewer.h"
#include "desktop/QtHelpViewer.h"
#include "dialogs/Dialogs.h"
#include "print/PrintSettingsDialog.h"
#include "print/PrinterDialog.h"
#include "support/TestEnvironment.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <memory>
#include <vector>

using namespace quillane;

namespace {

// A dark desktop theme, as qt6ct's "darker" scheme gives it.
QPalette darkPalette()
{
    QPalette p(QColor(60, 60, 60), QColor(50, 50, 50));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(role, QColor(240, 240, 240));
    p.setColor(QPalette::Base, QColor(35, 35, 35));
    return p;
}

QString caption(QWidget *window)
{
    return window->findChild<QLabel *>("Label6", Qt::FindDirectChildrenOnly)->text();
}

// Both ink and paper in a control's caption area: dark pixels and light ones.
bool readable(QWidget *control, int leftMargin)
{
    const QRect area = control->geometry().adjusted(leftMargin, 3, -3, -3);
    const QImage shot = control->window()->grab(area).toImage();
    int dark = 0, light = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const int grey = qGray(shot.pixel(x, y));
            dark += grey < 90;
            light += grey > 130;
        }
    }
    return dark > 3 && light > 3;
}

} // namespace

// The main window and every other window of the program, shown.
struct Windows {
    std::unique_ptr<MainWindow> main;
    std::vector<std::unique_ptr<QWidget>> others;
    std::vector<QWidget *> all;

    QWidget *control(const char *window, const char *name) const
    {
        for (const auto &w : all)
            if (w->objectName() == QLatin1String(window))
                return w->findChild<QWidget *>(name);
        return nullptr;
    }
};

class DesktopWindowsTest : public QObject {
    Q_OBJECT
    test::ConfigHome home_;
    test::TestPlatform platform_;
    QString dialogResult_;

    Windows openAll()
    {
        Windows windows{test::showMainWindow(platform_.platform), {}, {}};
        MainWindow *main = windows.main.get();
        Settings settings(platform_.settings);
        QImage picture(600, 600, QImage::Format_RGB32);
        picture.fill(Qt::red);
        windows.others.emplace_back(new QuitDialog(main));
        windows.others.emplace_back(new ClearDialog(main, dialogResult_));
        windows.others.emplace_back(new MessageDialog(main, {482, "Printer not found"}));
        windows.others.emplace_back(new PrinterDialog(main, platform_.printer, dialogResult_));
        windows.others.emplace_back(
            new PrintSettingsDialog(main, settings, platform_.commonDialog));
        windows.others.emplace_back(new AboutWindow(main, platform_.urlLauncher));
        windows.others.emplace_back(new ImageViewer(main, picture));
        windows.all.push_back(main);
        for (auto &window : windows.others) {
            window->show();
            windows.all.push_back(window.get());
        }
        QTest::qWait(50);
        return windows;
    }

private slots:
    void initTestCase()
    {
        QAccessible::setActive(true);
        platform_.printer.printers = {"Alpha", "Beta"};
    }

    // Run also under the real dark styles (access_test): GNOME's through
    // the gtk3 platform theme, and a qt6ct colour scheme. Elsewhere the test
    // gives the application a dark palette itself.
    void captionsStayReadableUnderADarkTheme()
    {
        const QPalette desktop = QApplication::palette();
        const bool desktopIsDark = desktop.color(QPalette::Window).lightness() < 128;
        if (qEnvironmentVariableIsSet("QUILLANE_DARK_DESKTOP"))
            QVERIFY2(desktopIsDark, "the desktop's style is not dark");
        if (!desktopIsDark)
            QApplication::setPalette(darkPalette());
        Windows windows = openAll();
        // Check boxes and option buttons: the caption right of the indicator.
        const struct {
            const char *window, *control;
            int leftMargin;
        } captions[] = {
            {"form1", "Check1", 20}, {"form1", "Option1(0)", 20}, {"form1", "Label1", 0},
            {"Form6", "Label2", 0},  {"Form6", "Command1", 4},    {"Form5", "Command2", 4},
            {"Form7", "Label1", 0},  {"Form8", "Check1", 20},     {"Form8", "Check2", 20},
            {"Form3", "Label14", 0}, {"Form2", "Label6", 0},
        };
        for (const auto &row : captions) {
            QWidget *control = windows.control(row.window, row.control);
            QVERIFY2(control && readable(control, row.leftMargin), row.control);
        }
        // The bodies keep their own light colours too.
        for (QWidget *window : windows.all) {
            auto *body = window->findChild<QWidget *>("Shape2", Qt::FindDirectChildrenOnly);
            if (!body)
                continue;
            const QPoint inside = (body->geometry() & window->rect()).bottomLeft() + QPoint(2, -2);
            QVERIFY2(qGray(window->grab(QRect(inside, QSize(1, 1))).toImage().pixel(0, 0)) > 200,
                     qPrintable(window->objectName()));
        }
        QApplication::setPalette(desktop);
    }

    // Every control a screen reader reaches has a name; each window is named
    // and titled by its own caption.
    void aScreenReaderFindsANameOnEveryControl()
    {
        Windows windows = openAll();
        windows.main->findChild<QWidget *>("Image4")->show(); // the other strip icon
        const QSet<QAccessible::Role> reached = {
            QAccessible::PushButton,   QAccessible::CheckBox,  QAccessible::RadioButton,
            QAccessible::EditableText, QAccessible::ComboBox,  QAccessible::ScrollBar,
            QAccessible::Graphic,      QAccessible::StaticText};
        for (QWidget *window : windows.all) {
            QAccessibleInterface *root = QAccessible::queryAccessibleInterface(window);
            QCOMPARE(window->windowTitle(), caption(window));
            QCOMPARE(root->text(QAccessible::Name), caption(window));
            QList<QAccessibleInterface *> pending{root};
            while (!pending.isEmpty()) {
                QAccessibleInterface *node = pending.takeFirst();
                for (int i = 0; i < node->childCount(); ++i)
                    pending << node->child(i);
                if (node != root && !node->state().invisible && reached.contains(node->role()))
                    QVERIFY2(!node->text(QAccessible::Name).trimmed().isEmpty(),
                             qPrintable(window->objectName() + " " + node->object()->objectName()));
            }
        }
        const struct {
            const char *window, *control, *name, *description;
        } named[] = {
            {"form1", "Command1", "Exit", nullptr},
            {"form1", "Image1", "Front cover picture", "Empty"},
            {"form1", "Text4", "Artvault Search", nullptr},
            {"Form7", "Combo1", "Print to:", nullptr},
            {"Form8", "Label3", "Line Color: red 192, green 192, blue 192", "Click to change"},
        };
        for (const auto &row : named) {
            QAccessibleInterface *control =
                QAccessible::queryAccessibleInterface(windows.control(row.window, row.control));
            QVERIFY2(control, row.control);
            QCOMPARE(control->text(QAccessible::Name), QString(row.name));
            if (row.description)
                QCOMPARE(control->text(QAccessible::Description), QString(row.description));
        }
    }

    // Where the window system cannot move windows (here, offscreen), the
    // program's own move loop runs; a window opened from the keyboard while the
    // title is held ends it and takes the next click.
    void aWindowOpenedDuringADragTakesClicks()
    {
        auto main = test::showMainWindow(platform_.platform);
        auto *band = main->findChild<FilledRect *>("Shape1");
        auto *exit = main->findChild<QPushButton *>("Command1");
        QColor bandDuringDrag;
        bool tookClick = false;
        QTimer::singleShot(50, main.get(), [&] {
            bandDuringDrag = band->fillColor();
            test::modals() << [&](QWidget *dialog) {
                test::clickChild(dialog, "Command2"); // "&No"
                tookClick = !dialog->isVisible();
                if (!tookClick)
                    static_cast<QDialog *>(dialog)->reject();
            };
            exit->setFocus();
            QTest::keyClick(exit, Qt::Key_Space);
        });
        auto *title = main->findChild<QWidget *>("Label6");
        // Lets go of the title should the loop never end by itself.
        QTimer::singleShot(15000, title, [title] { QTest::mouseRelease(title, Qt::LeftButton); });
        QTest::mousePress(title, Qt::LeftButton);
        QTest::mouseRelease(title, Qt::LeftButton);
        QCOMPARE(bandDuringDrag, QColor(192, 192, 255));
        QVERIFY(tookClick);
        QCOMPARE(band->fillColor(), QColor(128, 128, 255));
    }

    // Also run at 150 % and 200 % (QT_SCALE_FACTOR): a loaded picture meets
    // its slot's frame with no gap, and the title's letters stay clear of the
    // band's bottom line.
    void drawnWithoutGapsOrOverlaps()
    {
        QTemporaryDir dir;
        platform_.commonDialog.openAnswers << test::writePicture(dir, "red.png", {40, 30});
        auto main = test::showMainWindow(platform_.platform);
        test::clickChild(main.get(), "Image1");
        QVERIFY(main->frontSlot().isFilled());
        const qreal ratio = main->devicePixelRatioF();
        const QImage shot = main->grab().toImage();
        auto dark = [&](QPoint p) { return qGray(shot.pixel(p)) < 100; };

        // From the middle of the box out: the picture up to the frame, no gap.
        const QRect box = main->findChild<QWidget *>("Image1")->geometry();
        for (QPoint step : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
            QPoint p = (QPointF(box.center()) * ratio).toPoint();
            while (shot.rect().contains(p) && shot.pixelColor(p) == QColor(Qt::red))
                p += step;
            QVERIFY(dark(p));
        }

        // The band's bottom line, found right of the title's text.
        const QRect title = main->findChild<QWidget *>("Label6")->geometry();
        const int right = int((title.right() - 4) * ratio);
        int line = int(2 * ratio);
        while (line < shot.height() / 2 && !dark({right, line}))
            ++line;
        for (int x = int(title.left() * ratio); x < right; ++x)
            QVERIFY2(!dark({x, line - 1}), qPrintable(QString("ink at %1 above the line").arg(x)));
    }

    // Last: it runs the application's event loop to its end.
    void theProgramEndsWithItsMainWindowWhileHelpIsOpen()
    {
        QtHelpViewer help;
        auto main = test::showMainWindow(platform_.platform);
        help.show(QUILLANE_HELP_FILE);
        QVERIFY(QTest::qWaitForWindowExposed(help.window()));
        QTimer::singleShot(0, main.get(), [&] { main->close(); });
        QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(1); }); // it stayed
        QCOMPARE(QApplication::exec(), 0);
    }
};

QTEST_MAIN(DesktopWindowsTest)
#include "desktop_windows_test.moc"
