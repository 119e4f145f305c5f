// SPDX-License-Identifier: GPL-3.0-or-later
// End to end through the real URL launcher: the search strip and the About
// window's links hand their addresses to QtUrlLauncher, and a stand-in
// xdg-open first on the PATH records the arguments it was started with.
//
// Qt's offscreen platform has no desktop services: its QPlatformServices only
// warns "This plugin does not support QPlatformServices::openUrl()" and starts
// nothing. So this test runs on the X11 platform against a private virtual
// screen (CTest starts it under xvfb-run), where QDesktopServices goes through
// Qt's generic Unix services to xdg-open, as on a user's desktop.
#include "app/MainWindow.h"
#include "desktop/QtUrlLauncher.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

#include <memory>

using namespace quillane;

class UrlLauncherTest : public QObject {
    Q_OBJECT

    test::ConfigHome home_;
    QTemporaryDir bin_;
    QtSettingsStore settings_;
    FakeCommonDialog commonDialog_;
    QtPictureDecoder pictureDecoder_;
    QtUrlLauncher urlLauncher_;
    FakePrinter printer_;
    Platform platform_{settings_, commonDialog_, pictureDecoder_, urlLauncher_, printer_};
    std::unique_ptr<MainWindow> window_;

    QString recordFile() const { return bin_.filePath("opened.txt"); }

    // Every start of xdg-open: its number of arguments, then each argument.
    QStringList recorded() const
    {
        QFile file(recordFile());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    // Picks a cover type with the keyboard and searches for words.
    void search(const QString &listText, const QString &words)
    {
        auto *combo = window_->findChild<QComboBox *>("Combo1");
        const int row = combo->findText(listText);
        QVERIFY(row >= 0);
        for (int i = 0; i <= row; ++i)
            QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(combo->currentText(), listText);

        auto *box = window_->findChild<QLineEdit *>("Text4");
        for (QChar c : words) {
            if (c.unicode() < 128)
                QTest::keyClick(box, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        QTest::keyClick(box, Qt::Key_Return);
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != "xcb")
            QFAIL("needs the X11 platform (QT_QPA_PLATFORM=xcb under xvfb-run): no other "
                  "platform of this machine hands addresses to xdg-open");
        QVERIFY(bin_.isValid());
        QFile opener(bin_.filePath("xdg-open"));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\n{ printf '%s\\n' \"$#\"; printf '%s\\n' \"$@\"; } >> '" +
                     QFile::encodeName(recordFile()) + "'\n");
        opener.close();
        QVERIFY(opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        // Qt looks the opener up on the PATH once, at the first launch.
        qputenv("PATH", QFile::encodeName(bin_.path()) + ':' + qgetenv("PATH"));
    }

    void init()
    {
        home_.clear();
        QFile::remove(recordFile());
        window_ = test::showMainWindow(platform_);
        QVERIFY(window_->windowHandle()->isExposed());
    }
    void cleanup() { window_.reset(); }

    void searchReachesTheOpenerIntact_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("address");
        const QString page = "http://artvault.example/search.php3?group=psx2&terms=";
        QTest::newRow("plain words") << "tekken" << page + "tekken";
        QTest::newRow("one space") << " " << page + "%20";
        QTest::newRow("ampersand") << "a&b" << page + "a%26b";
        QTest::newRow("shell and query characters")
            << "'$(x)\" 50% +=#?" << page + "%27%24%28x%29%22%2050%25%20%2B%3D%23%3F";
        QTest::newRow("not ASCII") << QString::fromUtf8("Pokémon") << page + "Pok%C3%A9mon";
    }

    void searchReachesTheOpenerIntact()
    {
        QFETCH(QString, words);
        QFETCH(QString, address);
        search("psx2 covers", words);
        QTRY_COMPARE_WITH_TIMEOUT(recorded(), QStringList({"1", address}), 10000);
    }

    void aboutLinksReachTheOpener_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("address");
        QTest::newRow("mail") << "Label1"
                              << "mailto:quillane@quillane.example";
        // Shown without a scheme; the launcher opens it as a web address.
        QTest::newRow("home page") << "Label3"
                                   << "http://www.quillane.example/quillane/";
    }

    void aboutLinksReachTheOpener()
    {
        QFETCH(QString, link);
        QFETCH(QString, address);
        bool shown = false;
        test::modals() << [&](QWidget *about) {
            shown = true;
            test::clickChild(about, qPrintable(link));
            test::clickChild(about, "Label5");
        };
        test::clickChild(window_.get(), "Label5");
        QVERIFY(shown);
        QTRY_COMPARE_WITH_TIMEOUT(recorded(), QStringList({"1", address}), 10000);
    }
};

QTEST_MAIN(UrlLauncherTest)
#include "url_launcher_test.moc"
