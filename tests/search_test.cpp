// SPDX-License-Identifier: GPL-3.0-or-later
// The "Artvault Search" strip on the main window: its controls, the cover
// type list, the search address handed to the launcher, and opening and
// closing the strip with the window's height kept in the real settings file.
#include "app/MainWindow.h"
#include "search/SearchPanel.h"
#include "support/TestEnvironment.h"
#include "ui/Chrome.h"
#include "ui/Twips.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace quillane;

namespace {

const QString SearchPage = "http://artvault.example/search.php3?group=";

// Records, at the moment "FormHeight" is saved, what the window shows.
class WatchingStore final : public SettingsStore {
public:
    QString get(const QString &app, const QString &section, const QString &key) override
    {
        return inner.get(app, section, key);
    }
    MaybeFailure save(const QString &app, const QString &section, const QString &key,
                      const QString &value) override
    {
        if (key == "FormHeight" && window) {
            seen << QString("%1 height=%2 show=%3 hide=%4")
                        .arg(value)
                        .arg(window->height())
                        .arg(window->findChild<QWidget *>("Image3")->isVisible())
                        .arg(window->findChild<QWidget *>("Image4")->isVisible());
        }
        return inner.save(app, section, key, value);
    }

    QtSettingsStore inner;
    QWidget *window = nullptr;
    QStringList seen;
};

} // namespace

class SearchTest : public QObject, test::MainWindowFixture {
    Q_OBJECT

    test::ConfigHome home_;

    template <typename T> T *child(const char *name) { return window_->findChild<T *>(name); }
    QLineEdit *words() { return child<QLineEdit>("Text4"); }
    QComboBox *coverType() { return child<QComboBox>("Combo1"); }
    const QStringList &launched() const { return platform_->urlLauncher.opened; }

    // Picks a cover type as a user does: opens the list and clicks the entry.
    void pick(const QString &listText)
    {
        QComboBox *combo = coverType();
        QTest::mouseClick(combo, Qt::LeftButton);
        QAbstractItemView *list = combo->view();
        QTRY_VERIFY(list->isVisible());
        // The list ignores a release that comes quicker than a double click
        // after opening it; a user takes longer than that.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        const int row = combo->findText(listText, Qt::MatchExactly | Qt::MatchCaseSensitive);
        QVERIFY2(row >= 0, qPrintable(listText));
        const QRect item = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
        QTRY_VERIFY(!list->isVisible());
        QCOMPARE(combo->currentText(), listText);
    }

    // Types text key by key; letters beyond ASCII come as a keyboard layout sends them.
    static void type(QWidget *widget, const QString &text)
    {
        for (QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(widget, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
        }
    }

    void search(const QString &text)
    {
        type(words(), text);
        QTest::keyClick(words(), Qt::Key_Return);
    }

private slots:
    void init() { home_.clear(); }
    void cleanup() { stop(); }

    void stripControlsStandWhereDesigned()
    {
        start();
        QVERIFY(test::checkControls(
            window_.get(),
            {{"Label7", {120, 4080, 1335, 285}, "Artvault Search", 8.25},
             {"Label9", {1560, 4080, 2535, 285}, "| powered by artvault.example |", 8.25},
             {"Label8", {4200, 4080, 1335, 285}, "CoverType", 8.25},
             {"Text4", {120, 4320, 3975, 330}, nullptr, 8.25},
             {"Combo1", {4200, 4320, 1455, 330}, nullptr, 8.25}}));

        auto *credit = child<ClickLabel>("Label9");
        QCOMPARE(credit->textColor(), QColor(255, 128, 0));
        QCOMPARE(credit->toolTip(), QString("http://artvault.example/"));
        QVERIFY(credit->alignment() & Qt::AlignHCenter);
        // The whole caption fits its box.
        QVERIFY(credit->fontMetrics().horizontalAdvance(credit->text()) <= credit->width());

        QVERIFY(words()->text().isEmpty());
        // The boxes keep the desktop's colours, not the window's grey.
        QCOMPARE(words()->palette().color(QPalette::Base),
                 QApplication::palette().color(QPalette::Base));
        QCOMPARE(coverType()->palette().color(QPalette::Button),
                 QApplication::palette().color(QPalette::Button));
        QComboBox *combo = coverType();
        QVERIFY(!combo->isEditable());
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items, QStringList({"audio covers", "dvd covers", "dreamcast covers", "pc covers",
                                     "psx covers", "psx2 covers", "vcd covers"}));
        QCOMPARE(combo->currentIndex(), -1);
        QVERIFY(combo->currentText().isEmpty());

        // The group keyword is the window's own state, not a box the focus could land in.
        QVERIFY(!child<QWidget>("Text5"));
        QVERIFY(window_->searchPanel().coverGroup().isEmpty());
    }

    void creditLineIsNoLink()
    {
        start();
        test::clickChild(window_.get(), "Image3");
        pick("pc covers");
        QTest::keyClicks(words(), "doom");
        test::clickChild(window_.get(), "Label9");
        QVERIFY(launched().isEmpty());
    }

    void eachCoverTypeSearchesItsGroup_data()
    {
        QTest::addColumn<QString>("listText");
        QTest::addColumn<QString>("group");
        const char *const table[][2] = {
            {"audio covers", "audio"}, {"dvd covers", "dvd"}, {"dreamcast covers", "dreamcast"},
            {"pc covers", "pc"},       {"psx covers", "psx"}, {"psx2 covers", "psx2"},
            {"vcd covers", "vcd"},
        };
        for (const auto &row : table)
            QTest::newRow(row[0]) << QString(row[0]) << QString(row[1]);
    }

    void eachCoverTypeSearchesItsGroup()
    {
        QFETCH(QString, listText);
        QFETCH(QString, group);
        start();
        test::clickChild(window_.get(), "Image3");
        pick(listText);
        QCOMPARE(window_->searchPanel().coverGroup(), group);
        search("x");
        QCOMPARE(launched(), QStringList(SearchPage + group + "&terms=x"));
    }

    void onlyTheWholeListTextMatches_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("group");
        QTest::newRow("psx2 is not psx") << "psx2 covers"
                                         << "psx2";
        QTest::newRow("psx") << "psx covers"
                             << "psx";
        QTest::newRow("keyword alone") << "psx"
                                       << "";
        QTest::newRow("other case") << "PSX covers"
                                    << "";
        QTest::newRow("trailing blank") << "dvd covers "
                                        << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void onlyTheWholeListTextMatches()
    {
        QFETCH(QString, text);
        QFETCH(QString, group);
        QCOMPARE(coverGroupFor(text).value_or(QString()), group);
    }

    void pickingAgainReplacesTheGroup()
    {
        start();
        test::clickChild(window_.get(), "Image3");
        pick("psx2 covers");
        pick("psx covers");
        search("gran turismo");
        QCOMPARE(launched(), QStringList(SearchPage + "psx&terms=gran%20turismo"));
    }

    void searchAddressIsExact_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("terms");
        QTest::newRow("plain words") << "tekken"
                                     << "tekken";
        QTest::newRow("one space") << " "
                                   << "%20";
        QTest::newRow("ampersand stays in the terms") << "a&b"
                                                      << "a%26b";
        QTest::newRow("query characters") << "50% off+=#?"
                                          << "50%25%20off%2B%3D%23%3F";
        QTest::newRow("not ASCII") << QString::fromUtf8("Pokémon") << "Pok%C3%A9mon";
    }

    void searchAddressIsExact()
    {
        QFETCH(QString, words);
        QFETCH(QString, terms);
        start();
        test::clickChild(window_.get(), "Image3");
        pick("dvd covers");
        QSignalSpy boxHandledEnter(this->words(), &QLineEdit::editingFinished);
        search(words);
        QCOMPARE(launched(), QStringList(SearchPage + "dvd&terms=" + terms));
        // The box itself still gets the key, and the words stay.
        QCOMPARE(boxHandledEnter.size(), 1);
        QCOMPARE(this->words()->text(), words);
    }

    void enterEndsSilentlyWithoutWordsOrType_data()
    {
        QTest::addColumn<bool>("pickType");
        QTest::addColumn<QString>("words");
        QTest::newRow("no cover type") << false << "tekken";
        QTest::newRow("no words") << true << "";
        QTest::newRow("neither") << false << "";
    }

    void enterEndsSilentlyWithoutWordsOrType()
    {
        QFETCH(bool, pickType);
        QFETCH(QString, words);
        start();
        test::clickChild(window_.get(), "Image3");
        if (pickType)
            pick("vcd covers");
        search(words);
        QVERIFY(launched().isEmpty());
        QCOMPARE(this->words()->text(), words);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void otherKeysDoNotSearch()
    {
        start();
        test::clickChild(window_.get(), "Image3");
        pick("audio covers");
        QTest::keyClicks(words(), "abba");
        QTest::keyClick(words(), Qt::Key_Tab);
        QTest::keyClick(words(), Qt::Key_Space);
        QVERIFY(launched().isEmpty());
        QTest::keyClick(words(), Qt::Key_Enter); // the keypad's Enter
        QCOMPARE(launched(), QStringList(SearchPage + "audio&terms=abba%20"));
    }

    // Out of sight, out of the Tab order: the strip is opened from the
    // keyboard, and only then does Tab reach it. Closed while its words have
    // the focus, the strip hands the focus to its icon.
    void tabReachesTheStripOnlyWhileItIsOpen()
    {
        MainWindow &window = start();
        QCOMPARE(window.height(), 265);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString("Command5"));
        for (int i = 0; i < 10; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), child<QWidget>("Image3"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(window.height(), 321);
        QTRY_COMPARE(QApplication::focusWidget(), child<QWidget>("Image4"));
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), coverType());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(coverType()->currentText(), QString("dvd covers"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), words());

        QTest::keyClicks(QApplication::focusWidget(), "alien");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(launched(), QStringList(SearchPage + "dvd&terms=alien"));
        QCOMPARE(window.height(), 321);

        test::clickChild(&window, "Image4");
        QCOMPARE(QApplication::focusWidget(), child<QWidget>("Image3"));
        QCOMPARE(words()->focusPolicy(), Qt::NoFocus);
    }

    void openingAndClosingKeepTheTopAndAreRemembered()
    {
        MainWindow &window = start();
        const int top = window.geometry().top();
        QCOMPARE(window.height(), 265);

        test::clickChild(&window, "Image3");
        QCOMPARE(window.height(), twips::toPixels(4815));
        QCOMPARE(window.geometry().top(), top);
        QVERIFY(!child<QWidget>("Image3")->isVisible());
        QVERIFY(child<QWidget>("Image4")->isVisible());
        QCOMPARE(home_.fileValue("FormHeight"), QString("4815"));

        MainWindow &reopened = start();
        QCOMPARE(reopened.height(), 321);
        QVERIFY(!child<QWidget>("Image3")->isVisible());
        QVERIFY(child<QWidget>("Image4")->isVisible());

        const int newTop = reopened.geometry().top();
        test::clickChild(&reopened, "Image4");
        QCOMPARE(reopened.height(), twips::toPixels(3975));
        QCOMPARE(reopened.geometry().top(), newTop);
        QVERIFY(child<QWidget>("Image3")->isVisible());
        QVERIFY(!child<QWidget>("Image4")->isVisible());
        QCOMPARE(home_.fileValue("FormHeight"), QString("3975"));

        MainWindow &closed = start();
        QCOMPARE(closed.height(), 265);
        QVERIFY(child<QWidget>("Image3")->isVisible());
        QVERIFY(!child<QWidget>("Image4")->isVisible());
    }

    void iconsSwitchBeforeTheHeightIsStored()
    {
        WatchingStore store;
        test::TestPlatform doubles;
        Platform platform{store, doubles.commonDialog, doubles.pictureDecoder, doubles.urlLauncher,
                          doubles.printer};
        const std::unique_ptr<MainWindow> window = test::showMainWindow(platform);
        QVERIFY(window->windowHandle()->isExposed());
        store.window = window.get();

        test::clickChild(window.get(), "Image3");
        test::clickChild(window.get(), "Image4");
        QCOMPARE(store.seen,
                 QStringList({"4815 height=321 show=0 hide=1", "3975 height=265 show=1 hide=0"}));
    }

    void closingKeepsTheSearch()
    {
        MainWindow &window = start();
        test::clickChild(&window, "Image3");
        pick("dreamcast covers");
        QTest::keyClicks(words(), "shenmue");

        test::clickChild(&window, "Image4");
        QVERIFY(words()->isVisible() && words()->isEnabled());
        QVERIFY(coverType()->isVisible() && coverType()->isEnabled());
        test::clickChild(&window, "Image3");

        QCOMPARE(words()->text(), QString("shenmue"));
        QCOMPARE(coverType()->currentText(), QString("dreamcast covers"));
        QTest::keyClick(words(), Qt::Key_Return);
        QCOMPARE(launched(), QStringList(SearchPage + "dreamcast&terms=shenmue"));
    }
};

QTEST_MAIN(SearchTest)
#include "search_test.moc"
