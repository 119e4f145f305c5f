// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store on a real QSettings file: first-run seeding, the
// readers' exact comparisons and the conversions of stored text.
#include "settings/QtSettingsStore.h"
#include "settings/Settings.h"
#include "support/MemorySettingsStore.h"
#include "support/TestEnvironment.h"

#include <QTest>

using namespace quillane;

class SettingsTest : public QObject {
    Q_OBJECT

    test::ConfigHome home_;

private slots:
    void init() { home_.clear(); }

    void firstRunSeedsEveryDefaultInOrder()
    {
        QtSettingsStore file;
        SpySettingsStore spy(file);
        Settings(spy).seedMissing();

        QCOMPARE(spy.saves, QStringList({"HomePage=http://www.quillane.example/", "Border=Both",
                                         "BorderLine=False", "GuideLine=False", "LineColor=0",
                                         "PrintBack=True", "PrintFront=True", "FormHeight=3975"}));
        QCOMPARE(home_.fileValue("HomePage"), QString("http://www.quillane.example/"));
        QCOMPARE(home_.fileValue("FormHeight"), QString("3975"));
        QCOMPARE(home_.fileValue("LineColor"), QString("0"));
    }

    void seedingKeepsTheUsersChoices()
    {
        // HomePage removed by hand: the seven other choices must survive.
        home_.writeRaw("[Settings]\nBorder=Back\nBorderLine=True\nGuideLine=True\n"
                       "LineColor=255\nPrintBack=False\nPrintFront=False\nFormHeight=4815\n");
        QtSettingsStore file;
        SpySettingsStore spy(file);
        Settings(spy).seedMissing();

        QCOMPARE(spy.saves, QStringList({"HomePage=http://www.quillane.example/"}));
        QCOMPARE(home_.fileValue("Border"), QString("Back"));
        QCOMPARE(home_.fileValue("BorderLine"), QString("True"));
        QCOMPARE(home_.fileValue("GuideLine"), QString("True"));
        QCOMPARE(home_.fileValue("LineColor"), QString("255"));
        QCOMPARE(home_.fileValue("PrintBack"), QString("False"));
        QCOMPARE(home_.fileValue("PrintFront"), QString("False"));
        QCOMPARE(home_.fileValue("FormHeight"), QString("4815"));
    }

    void seedingFillsOnlyTheGaps()
    {
        home_.writeRaw("[Settings]\nHomePage=http://elsewhere.example/\nBorder=Front\n"
                       "LineColor=\nFormHeight=5000\n");
        QtSettingsStore file;
        SpySettingsStore spy(file);
        Settings(spy).seedMissing();

        QCOMPARE(spy.saves, QStringList({"BorderLine=False", "GuideLine=False", "LineColor=0",
                                         "PrintBack=True", "PrintFront=True"}));
        QCOMPARE(home_.fileValue("HomePage"), QString("http://elsewhere.example/"));
        QCOMPARE(home_.fileValue("Border"), QString("Front"));
        QCOMPARE(home_.fileValue("FormHeight"), QString("5000"));
    }

    void readersCompareExactly_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("notFalse");
        QTest::addColumn<bool>("isTrue");
        QTest::newRow("True") << "True" << true << true;
        QTest::newRow("False") << "False" << false << false;
        QTest::newRow("lower true") << "true" << true << false;
        QTest::newRow("lower false") << "false" << true << false;
        QTest::newRow("upper") << "TRUE" << true << false;
        QTest::newRow("trailing blank") << "False " << true << false;
        QTest::newRow("leading blank") << " True" << true << false;
        QTest::newRow("empty") << "" << true << false;
        QTest::newRow("number") << "1" << true << false;
    }

    void readersCompareExactly()
    {
        QFETCH(QString, stored);
        QFETCH(bool, notFalse);
        QFETCH(bool, isTrue);
        QtSettingsStore file;
        Settings settings(file);
        // Each yes/no key by its own rule: the print boxes are on unless
        // "False", the lines on only when "True".
        for (const char *key : {"PrintFront", "PrintBack"}) {
            settings.save(key, stored);
            QCOMPARE(settings.isOn(key), notFalse);
        }
        for (const char *key : {"BorderLine", "GuideLine"}) {
            settings.save(key, stored);
            QCOMPARE(settings.isOn(key), isTrue);
        }
    }

    void storeGivesBackWhatItWasGiven_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("comma") << "a, b";
        QTest::newRow("at sign") << "@Invalid()";
        QTest::newRow("quotes and semicolon") << "\"x\";y";
        QTest::newRow("non-latin") << "Grüße 表紙";
        QTest::newRow("equals and brackets") << "[Settings]=1";
    }

    void storeGivesBackWhatItWasGiven()
    {
        QFETCH(QString, value);
        QtSettingsStore file;
        file.save("Quillane", "Settings", "Border", value);
        QCOMPARE(file.get("Quillane", "Settings", "Border"), value);
        QCOMPARE(home_.fileValue("Border"), value);
    }

    void handEditedValuesReadAsText()
    {
        // INI syntax that QSettings would turn into lists or typed values.
        home_.writeRaw("[Settings]\nBorder=Front,Back\nLineColor=@Rect(1 2 3 4)\n"
                       "GuideLine=@Invalid()\n");
        QtSettingsStore file;
        QCOMPARE(file.get("Quillane", "Settings", "Border"), QString("Front,Back"));
        QCOMPARE(file.get("Quillane", "Settings", "LineColor"), QString());
        QCOMPARE(file.get("Quillane", "Settings", "GuideLine"), QString());
    }

    void missingKeysAndSectionsReadEmpty()
    {
        QtSettingsStore file;
        QCOMPARE(file.get("Quillane", "Settings", "Nothing"), QString());
        QCOMPARE(file.get("Quillane", "NoSection", "Border"), QString());
        file.save("Quillane", "Settings", "Border", "Both");
        QCOMPARE(file.get("Quillane", "Other", "Border"), QString());
    }

    void formHeight_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("height");
        QTest::newRow("closed") << "3975" << 3975;
        QTest::newRow("open") << "4815" << 4815;
        QTest::newRow("taller") << "5000" << 5000;
        QTest::newRow("just above") << "3976" << 3976;
        QTest::newRow("leading zeros") << "0004815" << 4815;
        QTest::newRow("too small") << "3974" << 3975;
        QTest::newRow("zero") << "0" << 3975;
        QTest::newRow("empty") << "" << 3975;
        QTest::newRow("word") << "tall" << 3975;
        QTest::newRow("negative") << "-4815" << 3975;
        QTest::newRow("signed") << "+4815" << 3975;
        QTest::newRow("blank") << " 4815" << 3975;
        QTest::newRow("fraction") << "4815.5" << 3975;
        QTest::newRow("beyond int") << "99999999999" << std::numeric_limits<int>::max();
        QTest::newRow("beyond any integer") << QString(40, '9') << std::numeric_limits<int>::max();
    }

    void formHeight()
    {
        QFETCH(QString, stored);
        QFETCH(int, height);
        QCOMPARE(effectiveFormHeight(stored), height);
    }

    void colorValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("converts");
        QTest::addColumn<int>("value");
        QTest::newRow("red") << "255" << true << 255;
        QTest::newRow("blue") << "16711680" << true << 16711680;
        QTest::newRow("blanks") << "  255 " << true << 255;
        QTest::newRow("plus") << "+255" << true << 255;
        QTest::newRow("minus") << "-1" << true << -1;
        QTest::newRow("largest") << "2147483647" << true << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << true << int(-2147483648LL);
        QTest::newRow("one too large") << "2147483648" << false << 0;
        QTest::newRow("one too small") << "-2147483649" << false << 0;
        QTest::newRow("huge") << QString(30, '9') << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blank only") << "   " << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("word") << "abc" << false << 0;
        QTest::newRow("trailing text") << "12abc" << false << 0;
        QTest::newRow("inner blank") << "1 2" << false << 0;
        QTest::newRow("sign apart") << "- 5" << false << 0;
        QTest::newRow("hex") << "0xFF" << false << 0;
        QTest::newRow("fraction") << "1.5" << false << 0;
        QTest::newRow("exponent") << "1e3" << false << 0;
        QTest::newRow("two signs") << "+-5" << false << 0;
        QTest::newRow("other digits") << QString::fromUtf8("\u0661\u0662") << false << 0;
    }

    void colorValue()
    {
        QFETCH(QString, text);
        QFETCH(bool, converts);
        QFETCH(int, value);
        const std::optional<qint32> parsed = parseColorValue(text);
        QCOMPARE(parsed.has_value(), converts);
        if (converts)
            QCOMPARE(*parsed, value);
    }
};

QTEST_MAIN(SettingsTest)
#include "settings_test.moc"
