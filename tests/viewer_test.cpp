// SPDX-License-Identifier: GPL-3.0-or-later
// The image viewer on the offscreen platform, opened with the main window's
// "View Image" as a user opens it: which cover it shows, its controls, the
// scroll bars and where they put the picture, the title drag, and a file
// changed or removed after loading.
#include "app/MainWindow.h"
#include "covers/CoverSlot.h"
#include "covers/ImageViewer.h"
#include "pictures/QtPictureDecoder.h"
#include "support/TestEnvironment.h"
#include "ui/Chrome.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace quillane;

namespace {

// Answers what "View Image" opens: runs body on the viewer, then closes it
// with its "x"; answers a message with "&Ok".
test::ModalDriver::Answer viewAnswer(std::function<void(ImageViewer &)> body,
                                     bool *destroyed = nullptr)
{
    return [body = std::move(body), destroyed](QWidget *opened) {
        QPointer<QWidget> window = opened;
        if (auto *viewer = qobject_cast<ImageViewer *>(opened)) {
            if (destroyed)
                QObject::connect(viewer, &QObject::destroyed, [destroyed] { *destroyed = true; });
            if (body)
                body(*viewer);
            if (window && window->isVisible())
                test::clickChild(window, "Label3");
        } else if (opened->objectName() == "Form5") {
            test::clickChild(opened, "Command2");
        }
    };
}

// The real decoder, counting the pictures it decodes.
class CountingDecoder final : public PictureDecoder {
public:
    PictureFile read(const QString &path) override { return real_.read(path); }
    DecodedPicture decodeBytes(const QByteArray &bytes, const QString &path, QSize target) override
    {
        decoded << path;
        return real_.decodeBytes(bytes, path, target);
    }

    QStringList decoded;

private:
    QtPictureDecoder real_;
};

// Every control of the viewer as the design gives it, bottom to top.
const test::ControlRow Controls[] = {
    {"Shape1", {0, 0, 9495, 255}, nullptr, 0, "", "quillane::FilledRect"},
    {"Label6", {120, 0, 8295, 255}, "Image Viewer", 11.25, "", "quillane::ClickLabel"},
    {"Label3", {9240, 0, 255, 255}, "x", 9, "Close", "quillane::ClickLabel"},
    {"Image2", {9240, 7200, 255, 255}, nullptr, 0, "", "quillane::ClickLabel"},
    {"VScroll1", {9240, 240, 255, 6975}, nullptr, 0, "", "QScrollBar"},
    {"HScroll1", {0, 7200, 9255, 255}, nullptr, 0, "", "QScrollBar"},
    {"Picture1", {0, 240, 9255, 6975}, nullptr, 0, "", "QWidget"},
};

const QColor Body(Qt::red);
const QColor Edge(Qt::blue);

// A red picture whose last column and last row are blue, so that its far
// edges can be seen.
QString writeEdgedPicture(const QTemporaryDir &dir, const QString &name, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Body);
    for (int y = 0; y < size.height(); ++y)
        image.setPixelColor(size.width() - 1, y, Edge);
    for (int x = 0; x < size.width(); ++x)
        image.setPixelColor(x, size.height() - 1, Edge);
    const QString path = dir.filePath(name);
    return image.save(path) ? path : QString();
}

QRect partOf(QScrollBar *bar, QStyle::SubControl part)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    if (bar->orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
}

void clickPart(QScrollBar *bar, QStyle::SubControl part)
{
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, partOf(bar, part).center());
}

QScrollBar *bar(ImageViewer &viewer, const char *name)
{
    return viewer.findChild<QScrollBar *>(name);
}

QWidget *shownPicture(ImageViewer &viewer)
{
    return viewer.findChild<QWidget *>("Image1");
}

// The picture's place as the user sees it follows its place in twips.
bool placedAsInTwips(ImageViewer &viewer)
{
    return shownPicture(viewer)->pos() ==
           QPoint(twips::toPixels(viewer.pictureLeft()), twips::toPixels(viewer.pictureTop()));
}

QColor bandColour(QWidget &window)
{
    return window.findChild<FilledRect *>("Shape1")->fillColor();
}

} // namespace

class ViewerTest : public QObject {
    Q_OBJECT

    test::ConfigHome home_;
    std::unique_ptr<QTemporaryDir> files_;
    std::unique_ptr<test::TestPlatform> platform_;
    CountingDecoder decoder_;
    std::unique_ptr<Platform> counted_;
    std::unique_ptr<MainWindow> window_;

    MainWindow &start()
    {
        window_.reset();
        platform_ = std::make_unique<test::TestPlatform>();
        decoder_.decoded.clear();
        counted_ = std::make_unique<Platform>(Platform{platform_->settings, platform_->commonDialog,
                                                       decoder_, platform_->urlLauncher,
                                                       platform_->printer});
        window_ = test::showMainWindow(*counted_);
        return *window_;
    }

    // Fills a slot ("Image1" front, "Image2" back) with a file, as the user does.
    void load(const char *box, const QString &path)
    {
        platform_->commonDialog.openAnswers << path;
        test::clickChild(window_.get(), box);
    }

    // Clicks "View Image"; body runs on the viewer while it is shown, then its
    // "x" closes it. Returns the windows that were shown.
    QStringList view(std::function<void(ImageViewer &)> body = {})
    {
        test::modals().shown.clear();
        test::modals() << viewAnswer(std::move(body));
        test::clickChild(window_.get(), "Command4");
        test::modals().drop();
        return test::modals().shown;
    }

    // Opens the front slot's picture of this size and runs body on the viewer.
    void viewPicture(QSize size, std::function<void(ImageViewer &)> body)
    {
        start();
        load("Image1", writeEdgedPicture(*files_, "picture.bmp", size));
        QCOMPARE(view(std::move(body)), QStringList{"Form2"});
    }

private slots:
    void initTestCase()
    {
        // The program's own style, whose bars the tests click.
        QApplication::setStyle("Fusion");
    }

    void init()
    {
        home_.clear();
        files_ = std::make_unique<QTemporaryDir>();
    }

    void cleanup()
    {
        window_.reset();
        counted_.reset();
        platform_.reset();
        files_.reset();
    }

    void everyControlStandsWhereDesigned()
    {
        viewPicture({2000, 1500}, [this](ImageViewer &viewer) {
            QCOMPARE(viewer.objectName(), QString("Form2"));
            QVERIFY(viewer.windowFlags() & Qt::FramelessWindowHint);
            QCOMPARE(viewer.size(), QSize(633, 497));
            QVERIFY(viewer.autoFillBackground());
            QCOMPARE(viewer.palette().color(QPalette::Window), QColor(Qt::white));
            QVERIFY(viewer.isModal());
            QCOMPARE(QApplication::activeModalWidget(), &viewer);
            QCOMPARE(viewer.parentWidget(), window_.get());
            const QPoint offCentre =
                viewer.frameGeometry().center() - window_->frameGeometry().center();
            QVERIFY2(offCentre.manhattanLength() <= 1,
                     qPrintable(QString("%1, %2").arg(offCentre.x()).arg(offCentre.y())));

            QVERIFY(test::checkControls(&viewer, Controls));
            // The viewer's own children, which the check above meets first.
            QStringList stacking;
            for (const test::ControlRow &row : Controls) {
                QVERIFY2(viewer.findChild<QWidget *>(row.name, Qt::FindDirectChildrenOnly),
                         row.name);
                stacking << row.name;
            }
            // Later children lie on top.
            QStringList actual;
            for (QObject *child : viewer.children())
                if (stacking.contains(child->objectName()))
                    actual << child->objectName();
            QCOMPARE(actual, stacking);

            QCOMPARE(bandColour(viewer), QColor(128, 128, 255));
            QCOMPARE(viewer.findChild<QLabel *>("Label3")->alignment(), Qt::AlignCenter);
            auto *corner = viewer.findChild<QLabel *>("Image2");
            QVERIFY(corner->hasScaledContents());
            QCOMPARE(corner->pixmap().toImage(),
                     QIcon(":/quillane.svg").pixmap(QSize(16, 16)).toImage());
            auto *viewport = viewer.findChild<QWidget *>("Picture1");
            QCOMPARE(viewport->palette().color(QPalette::Window),
                     QApplication::palette().color(QPalette::Base));
            QCOMPARE(shownPicture(viewer)->parentWidget(), viewport);
        });
    }

    void focusRunsThroughTheBarsToThePicture_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("both bars")
            << QSize(2000, 1500)
            << QStringList{"VScroll1", "HScroll1", "Picture1", "Label3", "VScroll1"};
        QTest::newRow("wide") << QSize(2000, 100)
                              << QStringList{"HScroll1", "Picture1", "Label3", "HScroll1"};
        QTest::newRow("fits") << QSize(100, 100) << QStringList{"Picture1", "Label3", "Picture1"};
    }

    void focusRunsThroughTheBarsToThePicture()
    {
        QFETCH(QSize, size);
        QFETCH(QStringList, order);
        viewPicture(size, [&](ImageViewer &viewer) {
            // The offscreen platform leaves activating the viewer to a window manager.
            viewer.activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), &viewer);
            QStringList visited{QApplication::focusWidget()->objectName()};
            while (visited.size() < order.size()) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                visited << QApplication::focusWidget()->objectName();
            }
            QCOMPARE(visited, order);
        });
    }

    void showsOnlyTheChosenSlot_data()
    {
        QTest::addColumn<bool>("frontFilled");
        QTest::addColumn<bool>("backFilled");
        QTest::addColumn<bool>("chooseBack");
        QTest::addColumn<QString>("shows");
        QTest::newRow("front") << true << true << false << "front";
        QTest::newRow("back") << true << true << true << "back";
        QTest::newRow("front empty, back filled") << false << true << false << "";
        QTest::newRow("back empty, front filled") << true << false << true << "";
        QTest::newRow("both empty") << false << false << false << "";
    }

    void showsOnlyTheChosenSlot()
    {
        QFETCH(bool, frontFilled);
        QFETCH(bool, backFilled);
        QFETCH(bool, chooseBack);
        QFETCH(QString, shows);
        start();
        const QString front = test::writePicture(*files_, "front.bmp", {700, 500}, Qt::red);
        const QString back = test::writePicture(*files_, "back.bmp", {300, 200}, Qt::blue);
        if (frontFilled)
            load("Image1", front);
        if (backFilled)
            load("Image2", back);
        if (chooseBack)
            test::clickChild(window_.get(), "Option1(1)");
        QCOMPARE(window_->findChild<QRadioButton *>("Option1(1)")->isChecked(), chooseBack);

        const QStringList decodedBefore = decoder_.decoded;
        QImage seen;
        const QStringList shown = view([&](ImageViewer &viewer) {
            seen = qobject_cast<NaturalPicture *>(shownPicture(viewer))->picture();
            QCOMPARE(shownPicture(viewer)->size(), seen.size());
        });
        if (shows.isEmpty()) {
            QVERIFY(shown.isEmpty());
            QCOMPARE(decoder_.decoded, decodedBefore);
            return;
        }
        QCOMPARE(shown, QStringList{"Form2"});
        // Decoded once for this opening: the chosen file and nothing else.
        QCOMPARE(decoder_.decoded, decodedBefore + QStringList{shows == "front" ? front : back});
        QCOMPARE(seen.size(), shows == "front" ? QSize(700, 500) : QSize(300, 200));
        QCOMPARE(seen.pixelColor(10, 10), shows == "front" ? QColor(Qt::red) : QColor(Qt::blue));
    }

    void showsThePictureAsLoaded_data()
    {
        QTest::addColumn<QString>("change");
        for (const char *change : {"smaller", "larger", "removed", "text", "cut"})
            QTest::newRow(change) << change;
    }

    // Whatever becomes of the file after loading, the viewer shows the
    // picture as it was loaded, decoded from the bytes the slot holds.
    void showsThePictureAsLoaded()
    {
        QFETCH(QString, change);
        start();
        const QString path = test::writePicture(*files_, "cover.bmp", {700, 500}, Qt::red);
        load("Image2", path);
        test::clickChild(window_.get(), "Option1(1)");

        QFile file(path);
        if (change == "smaller" || change == "larger") {
            QVERIFY(file.remove());
            const QSize size = change == "smaller" ? QSize(300, 200) : QSize(2000, 1500);
            QCOMPARE(test::writePicture(*files_, "cover.bmp", size, Qt::blue), path);
        } else if (change == "removed") {
            QVERIFY(file.remove());
        } else if (change == "text") {
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("this is no longer a picture\n");
            file.close();
        } else {
            QVERIFY(file.resize(file.size() / 2));
        }

        const QStringList decodedBefore = decoder_.decoded;
        QCOMPARE(view([](ImageViewer &viewer) {
                     QWidget *shown = shownPicture(viewer);
                     QCOMPARE(shown->size(), QSize(700, 500));
                     QCOMPARE(shown->grab().toImage().pixelColor(5, 5), QColor(Qt::red));
                     // 700 x 500 pixels are 10500 x 7500 twips.
                     QCOMPARE(bar(viewer, "HScroll1")->maximum(), 63);
                     QCOMPARE(bar(viewer, "VScroll1")->maximum(), 27);
                 }),
                 QStringList{"Form2"});
        QCOMPARE(decoder_.decoded, decodedBefore + QStringList{path});
        QCOMPARE(window_->backSlot().path(), path);
        QVERIFY(!window_->backSlot().box()->shown().isNull());
    }

    void barsFollowThePicturesSize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("horizontalSteps");
        QTest::addColumn<int>("verticalSteps");
        // The viewport is 9255 x 6975 twips: 617 x 465 pixels.
        QTest::newRow("exactly the viewport") << QSize(617, 465) << 0 << 0;
        QTest::newRow("one pixel wider") << QSize(618, 465) << 1 << 0;
        QTest::newRow("one pixel taller") << QSize(617, 466) << 0 << 1;
        QTest::newRow("400 x 300 fits") << QSize(400, 300) << 0 << 0;
        QTest::newRow("whole steps") << QSize(621, 469) << 3 << 3;
        QTest::newRow("large") << QSize(2000, 1500) << 1038 << 777;
    }

    void barsFollowThePicturesSize()
    {
        QFETCH(QSize, size);
        QFETCH(int, horizontalSteps);
        QFETCH(int, verticalSteps);
        viewPicture(size, [&](ImageViewer &viewer) {
            QCOMPARE(shownPicture(viewer)->geometry(), QRect(QPoint(0, 0), size));
            const std::pair<const char *, int> bars[] = {{"HScroll1", horizontalSteps},
                                                         {"VScroll1", verticalSteps}};
            for (const auto &[name, steps] : bars) {
                QScrollBar *scrollBar = bar(viewer, name);
                QCOMPARE(scrollBar->isEnabled(), steps > 0);
                QCOMPARE(scrollBar->value(), 0);
                QCOMPARE(scrollBar->maximum(), steps);
                QCOMPARE(scrollBar->singleStep(), 1);
                QCOMPARE(scrollBar->pageStep(), 1);
                // A disabled bar takes no clicks.
                clickPart(scrollBar, QStyle::SC_ScrollBarAddLine);
                QCOMPARE(scrollBar->value(), steps > 0 ? 1 : 0);
            }
            QCOMPARE(viewer.pictureLeft(), horizontalSteps > 0 ? -20 : 0);
            QCOMPARE(viewer.pictureTop(), verticalSteps > 0 ? -20 : 0);
            QVERIFY(placedAsInTwips(viewer));
        });
    }

    void arrowsTrackAndKeysMoveTwentyTwipsAStep()
    {
        viewPicture({2000, 1500}, [](ImageViewer &viewer) {
            QScrollBar *across = bar(viewer, "HScroll1");
            QScrollBar *down = bar(viewer, "VScroll1");
            clickPart(across, QStyle::SC_ScrollBarAddLine);
            QCOMPARE(viewer.pictureLeft(), -20);
            QCOMPARE(shownPicture(viewer)->x(), -1);
            clickPart(across, QStyle::SC_ScrollBarAddLine);
            QCOMPARE(viewer.pictureLeft(), -40);
            QCOMPARE(shownPicture(viewer)->x(), -3);
            clickPart(across, QStyle::SC_ScrollBarAddPage);
            QCOMPARE(viewer.pictureLeft(), -60);
            QTest::keyClick(across, Qt::Key_Right);
            QCOMPARE(viewer.pictureLeft(), -80);
            clickPart(across, QStyle::SC_ScrollBarSubLine);
            QCOMPARE(viewer.pictureLeft(), -60);

            clickPart(down, QStyle::SC_ScrollBarAddLine);
            clickPart(down, QStyle::SC_ScrollBarAddLine);
            QCOMPARE(viewer.pictureTop(), -40);
            QTest::keyClick(down, Qt::Key_Up);
            QCOMPARE(viewer.pictureTop(), -20);
            QTest::keyClick(down, Qt::Key_Right);
            QCOMPARE(viewer.pictureTop(), -40);
            QTest::keyClick(across, Qt::Key_Left);
            QCOMPARE(viewer.pictureLeft(), -40);
            QTest::keyClick(across, Qt::Key_Right);
            // Each bar moves its own direction only.
            QCOMPARE(viewer.pictureLeft(), -60);
            QVERIFY(placedAsInTwips(viewer));
        });
    }

    void thumbDragAndReleaseAgree_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QPoint>("move");
        QTest::newRow("across") << "HScroll1" << QPoint(150, 0);
        QTest::newRow("down") << "VScroll1" << QPoint(0, 120);
    }

    void thumbDragAndReleaseAgree()
    {
        QFETCH(QString, name);
        QFETCH(QPoint, move);
        viewPicture({2000, 1500}, [&](ImageViewer &viewer) {
            QScrollBar *scrollBar = bar(viewer, qPrintable(name));
            auto offset = [&] {
                return scrollBar->orientation() == Qt::Horizontal ? viewer.pictureLeft()
                                                                  : viewer.pictureTop();
            };
            const QPoint grip = partOf(scrollBar, QStyle::SC_ScrollBarSlider).center();
            QTest::mousePress(scrollBar, Qt::LeftButton, Qt::NoModifier, grip);
            QTest::mouseMove(scrollBar, grip + move);
            const int dragged = scrollBar->value();
            QVERIFY(dragged > 100);
            QCOMPARE(offset(), -20 * qint64(dragged));
            QVERIFY(placedAsInTwips(viewer));

            QTest::mouseRelease(scrollBar, Qt::LeftButton, Qt::NoModifier, grip + move);
            QCOMPARE(scrollBar->value(), dragged);
            QCOMPARE(offset(), -20 * qint64(dragged));
            QVERIFY(placedAsInTwips(viewer));
        });
    }

    void scrollsToTheFarEdgeAndNoFurther_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("steps");
        QTest::newRow("whole steps") << QSize(621, 100) << "HScroll1" << 3;
        QTest::newRow("large") << QSize(2000, 1500) << "VScroll1" << 777;
        // Beyond 32767 twips; the last offset does not fit 16 bits.
        QTest::newRow("2186 wide") << QSize(2186, 100) << "HScroll1" << 1177;
        QTest::newRow("6000 wide") << QSize(6000, 100) << "HScroll1" << 4038;
        QTest::newRow("6000 tall") << QSize(100, 6000) << "VScroll1" << 4152;
    }

    void scrollsToTheFarEdgeAndNoFurther()
    {
        QFETCH(QSize, size);
        QFETCH(QString, name);
        QFETCH(int, steps);
        viewPicture(size, [&](ImageViewer &viewer) {
            QScrollBar *scrollBar = bar(viewer, qPrintable(name));
            const bool across = scrollBar->orientation() == Qt::Horizontal;
            auto offset = [&] { return across ? viewer.pictureLeft() : viewer.pictureTop(); };
            QCOMPARE(scrollBar->maximum(), steps);

            // The thumb dragged past the end, the End key, an arrow at the end.
            const QPoint grip = partOf(scrollBar, QStyle::SC_ScrollBarSlider).center();
            const QPoint beyond = grip + (across ? QPoint(2000, 0) : QPoint(0, 2000));
            QTest::mousePress(scrollBar, Qt::LeftButton, Qt::NoModifier, grip);
            QTest::mouseMove(scrollBar, beyond);
            QTest::mouseRelease(scrollBar, Qt::LeftButton, Qt::NoModifier, beyond);
            QCOMPARE(scrollBar->value(), steps);
            QTest::keyClick(scrollBar, Qt::Key_End);
            clickPart(scrollBar, QStyle::SC_ScrollBarAddLine);
            QCOMPARE(scrollBar->value(), steps);
            QCOMPARE(offset(), -20 * qint64(steps));
            QVERIFY(placedAsInTwips(viewer));

            // The far edge lies inside the viewport, less than a step from its end.
            const qint64 extent = qint64(across ? size.width() : size.height()) * 15;
            const qint64 viewport = across ? 9255 : 6975;
            QVERIFY(offset() + extent <= viewport);
            QVERIFY(offset() + extent > viewport - 20);

            // And the user sees it: the picture's blue edge, then background.
            const QImage seen = viewer.findChild<QWidget *>("Picture1")->grab().toImage();
            const QPoint corner = shownPicture(viewer)->geometry().bottomRight();
            const QPoint edge = across ? QPoint(corner.x(), 50) : QPoint(50, corner.y());
            QCOMPARE(seen.pixelColor(edge), Edge);
            const QPoint inside = edge - (across ? QPoint(1, 0) : QPoint(0, 1));
            QCOMPARE(seen.pixelColor(inside), Body);
            const QPoint past = edge + (across ? QPoint(1, 0) : QPoint(0, 1));
            if (seen.rect().contains(past))
                QCOMPARE(seen.pixelColor(past), QApplication::palette().color(QPalette::Base));

            QTest::keyClick(scrollBar, Qt::Key_Home);
            QCOMPARE(offset(), 0);
            QCOMPARE(shownPicture(viewer)->pos(), QPoint(0, 0));
        });
    }

    void everyOpeningIsAFreshViewer()
    {
        start();
        load("Image1", writeEdgedPicture(*files_, "picture.bmp", {2000, 1500}));
        QPointer<ImageViewer> first;
        bool destroyed = false;
        {
            test::modals() << viewAnswer(
                [&](ImageViewer &viewer) {
                    first = &viewer;
                    clickPart(bar(viewer, "HScroll1"), QStyle::SC_ScrollBarAddLine);
                    clickPart(bar(viewer, "VScroll1"), QStyle::SC_ScrollBarAddLine);
                    // Escape leaves it open: only its "x" closes it.
                    QTest::keyClick(&viewer, Qt::Key_Escape);
                    QVERIFY(viewer.isVisible());
                },
                &destroyed);
            test::clickChild(window_.get(), "Command4");
            QVERIFY(destroyed);
            QVERIFY(!first);
        }

        view([](ImageViewer &viewer) {
            QCOMPARE(bar(viewer, "HScroll1")->value(), 0);
            QCOMPARE(bar(viewer, "VScroll1")->value(), 0);
            QCOMPARE(viewer.pictureLeft(), 0);
            QCOMPARE(viewer.pictureTop(), 0);
            QCOMPARE(shownPicture(viewer)->pos(), QPoint(0, 0));
        });
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
        viewPicture({100, 100}, [&](ImageViewer &viewer) {
            QWidget *title = viewer.findChild<QWidget *>("Label6");
            const QPoint before = viewer.pos();
            const QPoint press(40, 8);
            const QPoint target = title->mapToGlobal(press + move);
            QColor duringDrag;
            QTimer::singleShot(0, &viewer, [&] {
                duringDrag = bandColour(viewer);
                QTest::mouseMove(title, title->mapFromGlobal(target));
                QTest::mouseRelease(title, button, Qt::NoModifier, title->mapFromGlobal(target));
            });
            QTest::mousePress(title, button, Qt::NoModifier, press);

            QCOMPARE(duringDrag, QColor(192, 192, 255));
            QCOMPARE(bandColour(viewer), QColor(128, 128, 255));
            QCOMPARE(viewer.pos(), before + move);
            // The main window's band is not the viewer's.
            QCOMPARE(bandColour(*window_), QColor(128, 128, 255));
        });
    }

    void onlyTheTitleTextDrags()
    {
        viewPicture({100, 100}, [](ImageViewer &viewer) {
            const QPoint before = viewer.pos();
            for (const char *name : {"Shape1", "Image2", "Image1", "Picture1"}) {
                auto *widget = viewer.findChild<QWidget *>(name);
                QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
                QCOMPARE(bandColour(viewer), QColor(128, 128, 255));
                QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
            }
            QCOMPARE(viewer.pos(), before);
            QVERIFY(viewer.isVisible());
        });
    }
};

QTEST_MAIN(ViewerTest)
#include "viewer_test.moc"
