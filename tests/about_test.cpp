// SPDX-License-Identifier: GPL-3.0-or-later
// The About window opened from the main window's "?": its controls, the links
// that light up under the pointer, their launches, and a fresh window at
// every opening.
#include "about/AboutWindow.h"
#include "app/MainWindow.h"
#include "support/TestEnvironment.h"
#include "ui/Chrome.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QWindow>

#include <functional>
#include <memory>

using namespace quillane;

namespace {

const QColor Black(0, 0, 0);
const QColor Blue(0, 0, 255);

// Every control of the window as the design gives it (lines as boxes one
// pixel across; the links' fonts below).
const test::ControlRow Controls[] = {
    {"Shape1", {0, 0, 4215, 255}, nullptr, 0, ""},
    {"Label6", {120, 0, 3855, 255}, "About", 11.25, ""},
    {"Label5", {3960, 0, 255, 255}, "x", 9, "Close"},
    {"Image1", {120, 240, 4005, 1800}, nullptr, 0, ""},
    {"Label4", {3960, 1680, 225, 210}, "2.1", 8.25, ""},
    {"Line3", {0, 1920, 4200, 0}, nullptr, 0, ""},
    {"Label14", {120, 2160, 1815, 255}, "Email Author", 9, ""},
    {"Label1", {1200, 2160, 2895, 255}, "quillane@quillane.example", 0, "Email Author"},
    {"Line2", {120, 2400, 2160, 0}, nullptr, 0, ""},
    {"Label2", {2760, 2640, 1335, 255}, "Visit Homepage", 9, ""},
    {"Label3", {120, 2640, 2655, 255}, "www.quillane.example/quillane/", 0, "Visit Homepage"},
    {"Line1", {2160, 2880, 1920, 0}, nullptr, 0, ""},
    {"Shape2", {0, 240, 4215, 2775}, nullptr, 0, ""},
};

// How the captions stand; the two links are in 8.25 pt italic rather than bold.
struct Caption {
    const char *name;
    Qt::Alignment alignment;
    bool link;
};

const Caption Captions[] = {
    {"Label6", Qt::AlignLeft, false}, {"Label5", Qt::AlignHCenter, false},
    {"Label4", Qt::AlignLeft, false}, {"Label14", Qt::AlignLeft, false},
    {"Label1", Qt::AlignRight, true}, {"Label2", Qt::AlignRight, false},
    {"Label3", Qt::AlignLeft, true},
};

QRect expectedGeometry(const TwipRect &rect)
{
    QRect r = twips::rect(rect);
    if (rect.height == 0)
        r.setHeight(1);
    return r;
}

QColor colourOf(QWidget *window, const char *name)
{
    return window->findChild<ClickLabel *>(name)->textColor();
}

} // namespace

class AboutTest : public QObject, test::MainWindowFixture {
    Q_OBJECT

    test::ConfigHome home_;

    const QStringList &launched() const { return platform_->urlLauncher.opened; }

    // Opens the About window from "?", runs steps in it and closes it with its
    // "x". opened, if given, follows the window and is null once it has been discarded.
    void withAbout(const std::function<void(QWidget *)> &steps, QPointer<QWidget> *opened = nullptr)
    {
        bool shown = false;
        bool closedByX = false;
        test::modals() << [&](QWidget *modal) {
            shown = true;
            if (opened)
                *opened = modal;
            steps(modal);
            test::clickChild(modal, "Label5");
            closedByX = !modal->isVisible();
            if (!closedByX)
                static_cast<QDialog *>(modal)->reject();
        };
        test::clickChild(window_.get(), "Label5");
        if (!QTest::currentTestFailed()) {
            QVERIFY2(shown, "the About window did not open");
            QVERIFY2(closedByX, "\"x\" did not close the About window");
        }
    }

    // The pointer moves to a point of the About window, as the window system reports it.
    static void moveTo(QWidget *about, QPoint pos) { QTest::mouseMove(about->windowHandle(), pos); }

    static void moveOnto(QWidget *about, const char *name)
    {
        QWidget *target = about->findChild<QWidget *>(name);
        QVERIFY2(target, name);
        moveTo(about, target->mapTo(about, target->rect().center()));
    }

private slots:
    void init()
    {
        home_.clear();
        start();
        // A pointer that does not move sends nothing: start each test away
        // from where the last one left it.
        QTest::mouseMove(window_->windowHandle(), {1, 1});
    }
    void cleanup() { stop(); }

    void everyControlStandsWhereDesigned()
    {
        withAbout([this](QWidget *about) {
            QCOMPARE(about->objectName(), QString("Form3"));
            QCOMPARE(about->size(), QSize(281, 201));
            QVERIFY(about->windowFlags() & Qt::FramelessWindowHint);
            QCOMPARE(QApplication::activeModalWidget(), about);
            QCOMPARE(about->parentWidget(), window_.get());
            QVERIFY(qAbs(about->geometry().center().x() - window_->geometry().center().x()) <= 1);
            QVERIFY(qAbs(about->geometry().center().y() - window_->geometry().center().y()) <= 1);
            QCOMPARE(about->palette().color(QPalette::Window), QColor(Qt::white));

            QVERIFY(test::checkControls(about, Controls, expectedGeometry));
            for (const Caption &caption : Captions) {
                auto *label = about->findChild<ClickLabel *>(caption.name);
                QVERIFY2(label, caption.name);
                QCOMPARE(label->font().italic(), caption.link);
                if (caption.link) {
                    QCOMPARE(label->font().family(), QString("Arial"));
                    QCOMPARE(label->font().pointSizeF(), 8.25);
                    QVERIFY2(!label->font().bold(), caption.name);
                }
                QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, caption.alignment);
                QCOMPARE(label->textColor(), Black);
            }
            QCOMPARE(about->findChild<FilledRect *>("Shape1")->fillColor(), QColor(128, 128, 255));

            // The picture at its own size, not scaled into the box.
            auto *picture = about->findChild<QLabel *>("Image1");
            QCOMPARE(picture->pixmap().size(), QSize(267, 120));
            QVERIFY(!picture->hasScaledContents());
            QCOMPARE(picture->pixmap().toImage(),
                     QImage(":/about.jpg").convertToFormat(picture->pixmap().toImage().format()));
        });
    }

    void titleDoesNotDrag()
    {
        withAbout([](QWidget *about) {
            const QPoint before = about->pos();
            QWidget *title = about->findChild<QWidget *>("Label6");
            QTest::mousePress(title, Qt::LeftButton, Qt::NoModifier, QPoint(20, 8));
            QTest::mouseMove(title, QPoint(60, 30));
            QTest::mouseRelease(title, Qt::LeftButton, Qt::NoModifier, QPoint(60, 30));
            QCOMPARE(about->pos(), before);
            QCOMPARE(about->findChild<FilledRect *>("Shape1")->fillColor(), QColor(128, 128, 255));
        });
    }

    void linksLightUpUnderThePointer_data()
    {
        // Where the pointer goes, in order; "surface", "band" and "line" are
        // places of the window's own surface, "outside" is over the main window.
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<QColor>("mail");
        QTest::addColumn<QColor>("home");
        QTest::newRow("not yet") << QStringList() << Black << Black;
        QTest::newRow("surface alone") << QStringList{"surface"} << Black << Black;
        QTest::newRow("mail link") << QStringList{"Label1"} << Blue << Black;
        QTest::newRow("home link") << QStringList{"Label3"} << Black << Blue;
        QTest::newRow("one link keeps the other")
            << QStringList{"Label1", "Label3"} << Blue << Blue;
        QTest::newRow("surface resets both")
            << QStringList{"Label1", "Label3", "surface"} << Black << Black;
        QTest::newRow("title band is surface") << QStringList{"Label1", "band"} << Black << Black;
        QTest::newRow("a line is surface") << QStringList{"Label3", "line"} << Black << Black;
        QTest::newRow("label without handler keeps blue")
            << QStringList{"Label1", "Label14", "Label2"} << Blue << Black;
        QTest::newRow("picture keeps blue") << QStringList{"Label3", "Image1"} << Black << Blue;
        QTest::newRow("version, title and x keep blue")
            << QStringList{"Label1", "Label4", "Label6", "Label5"} << Blue << Black;
        QTest::newRow("leaving the window keeps blue")
            << QStringList{"Label1", "outside"} << Blue << Black;
        QTest::newRow("lights up again after a reset")
            << QStringList{"Label3", "surface", "Label1"} << Blue << Black;
    }

    void linksLightUpUnderThePointer()
    {
        QFETCH(QStringList, path);
        QFETCH(QColor, mail);
        QFETCH(QColor, home);
        withAbout([&](QWidget *about) {
            for (const QString &step : path) {
                if (step == "surface")
                    moveTo(about, {200, 168}); // between the two link rows
                else if (step == "band")
                    moveTo(about, {3, 5}); // left of the title text
                else if (step == "line")
                    moveTo(about, {3, twips::toPixels(1920)}); // Line3, left of the picture
                else if (step == "outside")
                    QTest::mouseMove(window_->windowHandle(), {3, window_->height() - 3});
                else
                    moveOnto(about, qPrintable(step));
            }
            QCOMPARE(colourOf(about, "Label1"), mail);
            QCOMPARE(colourOf(about, "Label3"), home);
        });
    }

    void linksLaunchAndTheWindowStays_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("address");
        QTest::newRow("mail") << "Label1"
                              << "mailto:quillane@quillane.example";
        QTest::newRow("home page as shown") << "Label3"
                                            << "www.quillane.example/quillane/";
    }

    void linksLaunchAndTheWindowStays()
    {
        QFETCH(QString, link);
        QFETCH(QString, address);
        withAbout([&](QWidget *about) {
            auto *label = about->findChild<ClickLabel *>(qPrintable(link));
            const QPoint centre = label->mapTo(about, label->rect().center());
            moveTo(about, centre);
            QTest::mouseClick(about->windowHandle(), Qt::LeftButton, Qt::NoModifier, centre);
            QCOMPARE(launched(), QStringList(address));
            QVERIFY(address.endsWith(label->text()));
            QVERIFY(about->isVisible());
            QCOMPARE(label->textColor(), Blue);
        });
    }

    void everyOpeningIsAFreshWindowWithBlackLinks()
    {
        QPointer<QWidget> first;
        withAbout(
            [](QWidget *about) {
                moveOnto(about, "Label1");
                moveOnto(about, "Label3");
                QCOMPARE(colourOf(about, "Label1"), Blue);
                QCOMPARE(colourOf(about, "Label3"), Blue);
            },
            &first);
        QVERIFY(first.isNull());

        QPointer<QWidget> second;
        withAbout(
            [](QWidget *about) {
                QCOMPARE(colourOf(about, "Label1"), Black);
                QCOMPARE(colourOf(about, "Label3"), Black);
            },
            &second);
        QVERIFY(second.isNull());
        QVERIFY(launched().isEmpty());
        QVERIFY(window_->isVisible());
    }
};

QTEST_MAIN(AboutTest)
#include "about_test.moc"
