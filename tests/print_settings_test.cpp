// SPDX-License-Identifier: GPL-3.0-or-later
// The "Print Settings" window as the user meets it from the main window: its
// controls, the load from the real settings file, every click stored at
// once, the colour chooser, and the next print using the choices.
#include "app/MainWindow.h"
#include "covers/CoverSlot.h"
#include "desktop/QtCommonDialog.h"
#include "print/PrintSettingsDialog.h"
#include "support/FakeHelpViewer.h"
#include "support/MemorySettingsStore.h"
#include "support/TestEnvironment.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

using namespace quillane;

namespace {

const QColor Grey(192, 192, 192);

struct Shown {
    bool guides = false;
    bool colourRowEnabled = false;
    QColor swatch;
    bool borders = false;
    bool optionsEnabled = false;
    QString selected;

    friend bool operator==(const Shown &, const Shown &) = default;
};

char *toString(const Shown &s)
{
    return qstrdup(qPrintable(QString("guides %1 row %2 swatch %3 borders %4 options %5 on %6")
                                  .arg(s.guides)
                                  .arg(s.colourRowEnabled)
                                  .arg(s.swatch.name())
                                  .arg(s.borders)
                                  .arg(s.optionsEnabled)
                                  .arg(s.selected)));
}

} // namespace

Q_DECLARE_METATYPE(Shown)

class PrintSettingsTest : public QObject, test::MainWindowFixture {
    Q_OBJECT

    test::ConfigHome home_;

    // Opens "Print Settings" from the main window, runs inside on it, closes it with "&Ok".
    void withSettings(std::function<void(PrintSettingsDialog *)> inside)
    {
        test::modals() << [inside](QWidget *dialog) {
            QCOMPARE(dialog->objectName(), QString("Form8"));
            inside(qobject_cast<PrintSettingsDialog *>(dialog));
            if (dialog->isVisible())
                test::clickChild(dialog, "Command1");
        };
        test::clickChild(window_.get(), "Command2");
        test::modals().drop();
    }

    static Shown shown(PrintSettingsDialog *dialog)
    {
        const QList<QRadioButton *> options = dialog->findChildren<QRadioButton *>();
        Shown s;
        s.guides = dialog->findChild<QCheckBox *>("Check1")->isChecked();
        const bool caption = dialog->findChild<QLabel *>("Label1")->isEnabled();
        s.colourRowEnabled = dialog->findChild<QLabel *>("Label3")->isEnabled();
        if (caption != s.colourRowEnabled)
            qWarning("caption and swatch disagree");
        s.swatch = dialog->swatchColour();
        s.borders = dialog->findChild<QCheckBox *>("Check2")->isChecked();
        s.optionsEnabled = true;
        for (QRadioButton *option : options) {
            s.optionsEnabled = s.optionsEnabled && option->isEnabled();
            if (option->isChecked())
                s.selected += option->text();
        }
        if (!s.optionsEnabled) {
            for (QRadioButton *option : options)
                if (option->isEnabled())
                    s.selected += " (partly enabled)";
        }
        return s;
    }

    static void click(QWidget *dialog, const char *name) { test::clickChild(dialog, name); }

private slots:
    void init() { home_.clear(); }
    void cleanup() { stop(); }

    void everyControlAsDesigned()
    {
        start();
        const QRect owner = window_->geometry();
        withSettings([&](PrintSettingsDialog *dialog) {
            QCOMPARE(dialog->size(), QSize(241, 137));
            QVERIFY(dialog->windowFlags() & Qt::FramelessWindowHint);
            QVERIFY(dialog->isModal());
            QVERIFY(qAbs(dialog->geometry().center().x() - owner.center().x()) <= 1);
            QVERIFY(qAbs(dialog->geometry().center().y() - owner.center().y()) <= 1);
            const test::ControlRow rows[] = {
                {"Shape1", {0, 0, 3615, 255}, nullptr, 0, ""},
                {"Shape2", {0, 240, 3615, 1815}, nullptr, 0, ""},
                {"Label6", {120, 0, 3255, 255}, "Print Settings", 11.25, ""},
                {"Label5", {3360, 0, 255, 255}, "x", 9, ""},
                {"Check1", {120, 360, 3485, 225}, "Print guide lines for back cover folds", 9, ""},
                {"Label1", {480, 600, 1095, 255}, "Line Color: ", 9, ""},
                {"Label3", {1440, 600, 375, 255}, "", 0, "Click to change"},
                {"Check2", {120, 960, 2655, 255}, "Print border around covers", 9, ""},
                {"Option1(2)", {480, 1230, 735, 225}, "Both", 9, "Both"},
                {"Option1(0)", {1320, 1230, 735, 225}, "Front", 9, "Front"},
                {"Option1(1)", {2160, 1230, 735, 225}, "Back", 9, "Back"},
                {"Command1", {1200, 1560, 1215, 375}, "&Ok", 9, ""},
            };
            QVERIFY(test::checkControls(dialog, rows));
            // Every caption fits its box.
            for (const test::ControlRow &row : rows) {
                if (auto *button = dialog->findChild<QAbstractButton *>(row.name))
                    QVERIFY2(button->sizeHint().width() <= button->width(), row.name);
            }
            // Left to right "Both", "Front", "Back", the keyboard visiting them in that order.
            // The dialog takes the focus once the window system has activated it.
            QTRY_COMPARE(QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                                     : QString(),
                         QString("Command1"));
            QCOMPARE(dialog->findChild<QLabel *>("Label5")->palette().color(QPalette::WindowText),
                     QColor(224, 224, 224));
            const QImage shot = dialog->grab().toImage();
            const QRect guides = dialog->findChild<QCheckBox *>("Check1")->geometry();
            QCOMPARE(QColor(shot.pixel(guides.right() - 1, guides.top())), QColor(Qt::white));
            auto *ok = dialog->findChild<QPushButton *>("Command1");
            QVERIFY(!ok->isDefault() && !ok->autoDefault());

            // The "x", the title and Escape do nothing.
            click(dialog, "Label5");
            click(dialog, "Label6");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QVERIFY(dialog->isVisible());
            // Enter presses "&Ok".
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QVERIFY(!dialog->isVisible());
        });
    }

    void loadShowsTheStoredSettingsAndWritesNothing_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<Shown>("expected");
        QTest::addColumn<QStringList>("reads");
        const QStringList plainReads = {"GuideLine", "BorderLine", "Border", "GuideLine"};
        const QStringList colourReads = plainReads + QStringList("LineColor");

        QTest::newRow("defaults") << QString() << Shown{false, false, Grey, false, false, "Both"}
                                  << plainReads;
        QTest::newRow("lower case true is off")
            << "GuideLine=true\nBorderLine=true\nBorder=Back\nLineColor=255\n"
            << Shown{false, false, Grey, false, false, "Back"} << plainReads;
        QTest::newRow("unknown border word shows Both")
            << "BorderLine=True\nBorder=Sideways\n"
            << Shown{false, false, Grey, true, true, "Both"} << plainReads;
        QTest::newRow("guide lines on with their colour")
            << "GuideLine=True\nLineColor=16711680\nBorderLine=True\nBorder=Front\n"
            << Shown{true, true, QColor(0, 0, 255), true, true, "Front"} << colourReads;
        QTest::newRow("guides on, colour not a number: grey")
            << "GuideLine=True\nLineColor=abc\n"
            << Shown{true, true, Grey, false, false, "Both"} << colourReads;
    }

    void loadShowsTheStoredSettingsAndWritesNothing()
    {
        QFETCH(QString, stored);
        QFETCH(Shown, expected);
        QFETCH(QStringList, reads);
        home_.writeRaw("[Settings]\nHomePage=x\n" + stored);
        const QString before = [&] {
            QFile file(home_.settingsFile());
            return file.open(QIODevice::ReadOnly) ? QString(file.readAll()) : QString();
        }();

        QtSettingsStore file;
        SpySettingsStore spy(file);
        Settings settings(spy);
        FakeCommonDialog colours;
        PrintSettingsDialog dialog(nullptr, settings, colours);
        QCOMPARE(shown(&dialog), expected);
        QCOMPARE(spy.reads, reads);
        QCOMPARE(spy.saves, QStringList());
        QFile after(home_.settingsFile());
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(QString(after.readAll()), before);
    }

    void guideLineClicksStoreAtOnce()
    {
        start();
        withSettings([this](PrintSettingsDialog *dialog) {
            click(dialog, "Check1");
            QCOMPARE(shown(dialog), (Shown{true, true, QColor(Qt::black), false, false, "Both"}));
            QCOMPARE(home_.fileValue("GuideLine"), QString("True"));

            platform_->commonDialog.colorAnswers << 255u;
            click(dialog, "Label3");
            QCOMPARE(dialog->swatchColour(), QColor(Qt::red));
            QCOMPARE(home_.fileValue("LineColor"), QString("255"));

            click(dialog, "Check1");
            QCOMPARE(shown(dialog), (Shown{false, false, Grey, false, false, "Both"}));
            QCOMPARE(home_.fileValue("GuideLine"), QString("False"));
            QCOMPARE(home_.fileValue("LineColor"), QString("255"));
            // Disabled, the swatch opens nothing.
            click(dialog, "Label3");
            QCOMPARE(platform_->commonDialog.colorParents.size(), 1);

            click(dialog, "Check1");
            QCOMPARE(dialog->swatchColour(), QColor(Qt::red));
        });
        // "&Ok" stored nothing more.
        QCOMPARE(home_.fileValue("GuideLine"), QString("True"));
        QCOMPARE(home_.fileValue("LineColor"), QString("255"));
    }

    void borderClicksStoreAtOnce()
    {
        start();
        withSettings([this](PrintSettingsDialog *dialog) {
            click(dialog, "Check2");
            QCOMPARE(shown(dialog), (Shown{false, false, Grey, true, true, "Both"}));
            QCOMPARE(home_.fileValue("BorderLine"), QString("True"));

            const std::pair<const char *, const char *> choices[] = {{"Option1(1)", "Back"},
                                                                     {"Option1(0)", "Front"},
                                                                     {"Option1(2)", "Both"},
                                                                     {"Option1(0)", "Front"},
                                                                     {"Option1(0)", "Front"}};
            for (const auto &[name, word] : choices) {
                click(dialog, name);
                QCOMPARE(home_.fileValue("Border"), QString(word));
            }

            click(dialog, "Check2");
            QCOMPARE(shown(dialog), (Shown{false, false, Grey, false, false, "Front"}));
            QCOMPARE(home_.fileValue("BorderLine"), QString("False"));
            QCOMPARE(home_.fileValue("Border"), QString("Front"));
            // Disabled, the options store nothing.
            click(dialog, "Option1(1)");
            QCOMPARE(home_.fileValue("Border"), QString("Front"));
        });
    }

    void unknownBorderWordStaysUntilAnOptionIsClicked()
    {
        home_.writeRaw("[Settings]\nHomePage=x\nBorderLine=True\nBorder=Sideways\n");
        start();
        withSettings([this](PrintSettingsDialog *dialog) {
            click(dialog, "Check2");
            click(dialog, "Check2");
            QCOMPARE(home_.fileValue("Border"), QString("Sideways"));
            click(dialog, "Option1(2)");
            QCOMPARE(home_.fileValue("Border"), QString("Both"));
        });
    }

    void colourChooserAnswers()
    {
        home_.writeRaw("[Settings]\nHomePage=x\nGuideLine=True\nLineColor=abc\n");
        start();
        FakeCommonDialog &chooser = platform_->commonDialog;
        withSettings([&](PrintSettingsDialog *dialog) {
            // A colour that is not a number shows grey, and the swatch repairs it.
            QCOMPARE(dialog->swatchColour(), Grey);
            chooser.colorAnswers << std::nullopt;
            click(dialog, "Label3");
            QCOMPARE(dialog->swatchColour(), Grey);
            QCOMPARE(home_.fileValue("LineColor"), QString("abc"));

            chooser.colorAnswers << 16711680u;
            click(dialog, "Label3");
            QCOMPARE(dialog->swatchColour(), QColor(0, 0, 255));
            QCOMPARE(home_.fileValue("LineColor"), QString("16711680"));

            chooser.colorAnswers << std::nullopt;
            click(dialog, "Label3");
            QCOMPARE(dialog->swatchColour(), QColor(0, 0, 255));
            QCOMPARE(home_.fileValue("LineColor"), QString("16711680"));
            QCOMPARE(chooser.colorParents, QList<QWidget *>(3, dialog));
        });
        // The component keeps the last confirmed colour for the next opening.
        QCOMPARE(chooser.color(), 16711680u);
    }

    void realColourDialog()
    {
        home_.writeRaw("[Settings]\nHomePage=x\nGuideLine=True\nLineColor=0\n");
        FakeHelpViewer help;
        QtCommonDialog colours(help);
        QtSettingsStore store;
        Settings settings(store);
        PrintSettingsDialog dialog(nullptr, settings, colours);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        QColor offered;
        auto confirm = [&offered](const QColor &choice) {
            return [&offered, choice](QWidget *modal) {
                auto *chooser = qobject_cast<QColorDialog *>(modal);
                QVERIFY(chooser);
                offered = chooser->currentColor();
                if (choice.isValid()) {
                    chooser->setCurrentColor(choice);
                    chooser->accept();
                } else {
                    chooser->reject();
                }
            };
        };
        test::modals() << confirm(QColor(255, 0, 0));
        click(&dialog, "Label3");
        test::modals().drop();
        QCOMPARE(offered, QColor(Qt::black));
        QCOMPARE(dialog.swatchColour(), QColor(Qt::red));
        QCOMPARE(home_.fileValue("LineColor"), QString("255"));

        // Opens on the colour chosen last; a cancel changes nothing.
        test::modals() << confirm(QColor());
        click(&dialog, "Label3");
        test::modals().drop();
        QCOMPARE(offered, QColor(Qt::red));
        QCOMPARE(dialog.swatchColour(), QColor(Qt::red));
        QCOMPARE(home_.fileValue("LineColor"), QString("255"));
    }

    void theNextPrintUsesTheChoices()
    {
        start();
        QTemporaryDir pictures;
        platform_->commonDialog.openAnswers
            << test::writePicture(pictures, "back.png", QSize(40, 30), Qt::blue);
        test::clickChild(window_.get(), "Image2");
        test::clickChild(window_.get(), "Check1"); // back only

        withSettings([this](PrintSettingsDialog *dialog) {
            click(dialog, "Check1");
            platform_->commonDialog.colorAnswers << 65280u; // green
            click(dialog, "Label3");
            click(dialog, "Check2");
            click(dialog, "Option1(1)");
        });

        test::modals() << [](QWidget *dialog) { test::clickChild(dialog, "Command1"); };
        test::clickChild(window_.get(), "Command3");
        test::modals().drop();
        QCOMPARE(platform_->printer.log,
                 QStringList(
                     {"list", "picture 40x30 at 1440,8340 8530x6700",
                      "line 1790,8340 1790,15058 colour 65280",
                      "line 9620,8340 9620,15058 colour 65280", "line 1440,8335 9965,8335 colour 0",
                      "line 1440,8335 1440,15045 colour 0", "line 9965,8335 9965,15045 colour 0",
                      "line 1440,15045 9965,15045 colour 0", "end"}));
    }
};

QTEST_MAIN(PrintSettingsTest)
#include "print_settings_test.moc"
