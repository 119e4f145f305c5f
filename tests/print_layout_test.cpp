// SPDX-License-Identifier: GPL-3.0-or-later
// The cover sheet layout without a printer: the exact operations for every
// selection and print setting, the settings read at their step and no
// sooner, the guide colour's conversion, and the size a picture travels at.
#include "base/Failures.h"
#include "printing/CoverSheet.h"
#include "printing/cups/CupsPrinter.h"
#include "settings/Settings.h"
#include "support/MemorySettingsStore.h"

#include <QTest>

using namespace quillane;

namespace {

// The page as the layout tables give it, one piece at a time.
const QStringList FrontPicture = {"picture front 1440,1000 6900x6900"};
const QStringList BackPicture = {"picture back 1440,8340 8530x6700"};
const QStringList FrontBorder = {
    "line 1440,1000 8340,1000 colour 0", "line 1440,1000 1440,7900 colour 0",
    "line 8340,1000 8340,7900 colour 0", "line 1440,7900 8340,7900 colour 0"};
const QStringList BackBorder = {
    "line 1440,8335 9965,8335 colour 0", "line 1440,8335 1440,15045 colour 0",
    "line 9965,8335 9965,15045 colour 0", "line 1440,15045 9965,15045 colour 0"};

QStringList guides(const QString &colour)
{
    return {"line 1790,8340 1790,15058 colour " + colour,
            "line 9620,8340 9620,15058 colour " + colour};
}

// The page from a short recipe: "F" front picture, "B" back picture, "G"
// guides in red (255), "f" front border, "b" back border.
QStringList page(const QString &recipe)
{
    QStringList ops;
    for (QChar piece : recipe) {
        switch (piece.unicode()) {
        case 'F':
            ops += FrontPicture;
            break;
        case 'B':
            ops += BackPicture;
            break;
        case 'G':
            ops += guides("255");
            break;
        case 'f':
            ops += FrontBorder;
            break;
        case 'b':
            ops += BackBorder;
            break;
        default:
            qFatal("unknown piece");
        }
    }
    return ops;
}

QString outcome(const MaybeFailure &failure)
{
    return failure ? QString("%1: %2").arg(failure->number).arg(failure->description) : "ok";
}

QStringList described(const QList<DrawOp> &ops)
{
    QStringList result;
    for (const DrawOp &op : ops)
        result << describe(op);
    return result;
}

// Notes for each operation how many settings had been read when it came, so
// that a test can tell an operation issued at its step from one held back.
class StepSink final : public DrawSink {
public:
    explicit StepSink(const MemorySettingsStore &store) : store_(store) {}
    MaybeFailure draw(const DrawOp &op) override
    {
        steps << QString("%1 after %2").arg(describe(op)).arg(store_.reads.size());
        return std::nullopt;
    }
    QStringList steps;

private:
    const MemorySettingsStore &store_;
};

// Fails at the operation with this index.
class FailingSink final : public DrawSink {
public:
    explicit FailingSink(int failAt) : failAt_(failAt) {}
    MaybeFailure draw(const DrawOp &op) override
    {
        if (ops.size() == failAt_)
            return Failure{482, "refused"};
        ops << describe(op);
        return std::nullopt;
    }
    QStringList ops;

private:
    int failAt_;
};

} // namespace

Q_DECLARE_METATYPE(PrintSelection)

class PrintLayoutTest : public QObject {
    Q_OBJECT

    MemorySettingsStore store_;

    void store(const QString &guideLine, const QString &lineColor, const QString &borderLine,
               const QString &border)
    {
        store_ = MemorySettingsStore();
        store_.set("GuideLine", guideLine);
        store_.set("LineColor", lineColor);
        store_.set("BorderLine", borderLine);
        store_.set("Border", border);
    }

    MaybeFailure compose(PrintSelection selection, RecordingSink &sink)
    {
        const Settings settings(store_);
        return ComposeCoverSheet(selection, settings, sink);
    }

private slots:
    void everySelectionAndSetting_data()
    {
        QTest::addColumn<PrintSelection>("selection");
        QTest::addColumn<QString>("guideLine");
        QTest::addColumn<QString>("borderLine");
        QTest::addColumn<QString>("border");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("reads");

        const auto F = PrintSelection::FrontOnly;
        const auto B = PrintSelection::BackOnly;
        const auto FB = PrintSelection::FrontAndBack;
        const QStringList frontReads = {"BorderLine", "Border"};
        const QStringList backReads = {"GuideLine", "BorderLine", "Border"};
        const QStringList backGuideReads = {"GuideLine", "LineColor", "LineColor", "BorderLine",
                                            "Border"};

        auto row = [](const char *name, PrintSelection selection, const char *guideLine,
                      const char *borderLine, const char *border, const char *expected,
                      const QStringList &reads) {
            QTest::newRow(name) << selection << QString(guideLine) << QString(borderLine)
                                << QString(border) << QString(expected) << reads;
        };
        row("front, nothing on", F, "False", "False", "Both", "F", {"BorderLine"});
        row("front, guides on draw none, colour unread", F, "True", "False", "Both", "F",
            {"BorderLine"});
        row("front, border Front", F, "False", "True", "Front", "Ff", frontReads);
        row("front, border Both borders the front", F, "True", "True", "Both", "Ff", frontReads);
        row("front, border Back", F, "False", "True", "Back", "F", frontReads);
        row("front, border lower case", F, "False", "True", "front", "F", frontReads);

        row("back, nothing on", B, "False", "False", "Both", "B", {"GuideLine", "BorderLine"});
        row("back, guides", B, "True", "False", "Both", "BG",
            {"GuideLine", "LineColor", "LineColor", "BorderLine"});
        row("back, everything for the back", B, "True", "True", "Back", "BGb", backGuideReads);
        row("back, border Both borders the back", B, "False", "True", "Both", "Bb", backReads);
        row("back, border Front", B, "True", "True", "Front", "BG", backGuideReads);
        row("back, 'true' is not on", B, "true", "TRUE", "Back", "B", {"GuideLine", "BorderLine"});

        row("both, nothing on", FB, "False", "False", "Both", "FB", {"GuideLine", "BorderLine"});
        row("both, worked example", FB, "True", "True", "Both", "FBGfb", backGuideReads);
        row("both, border Front", FB, "False", "True", "Front", "FBf", backReads);
        row("both, border Back", FB, "True", "True", "Back", "FBGb", backGuideReads);
        row("both, border lower case", FB, "False", "True", "front", "FB", backReads);
        row("both, border empty", FB, "False", "True", "", "FB", backReads);
        row("both, borders off leave Border unread", FB, "True", "False", "Both", "FBG",
            {"GuideLine", "LineColor", "LineColor", "BorderLine"});
        row("both, guides with a blank are off", FB, "True ", "True", "Both", "FBfb", backReads);
    }

    void everySelectionAndSetting()
    {
        QFETCH(PrintSelection, selection);
        QFETCH(QString, guideLine);
        QFETCH(QString, borderLine);
        QFETCH(QString, border);
        QFETCH(QString, expected);
        QFETCH(QStringList, reads);

        // A colour that does not convert proves the rows that never read it.
        const bool guidesDrawn = expected.contains('G');
        store(guideLine, guidesDrawn ? "255" : "not a number", borderLine, border);
        RecordingSink sink;
        QCOMPARE(outcome(compose(selection, sink)), QString("ok"));
        QCOMPARE(described(sink.ops()), page(expected));
        QCOMPARE(store_.reads, reads);
        QVERIFY(store_.saves.isEmpty());
    }

    void workedExampleInFull()
    {
        store("True", "255", "True", "Both");
        RecordingSink sink;
        QCOMPARE(outcome(compose(PrintSelection::FrontAndBack, sink)), QString("ok"));
        const QList<DrawOp> expected = {
            PaintPicture{Cover::Front, 1440, 1000, 6900, 6900},
            PaintPicture{Cover::Back, 1440, 8340, 8530, 6700},
            DrawLine{1790, 8340, 1790, 15058, 255},
            DrawLine{9620, 8340, 9620, 15058, 255},
            DrawLine{1440, 1000, 8340, 1000, 0},
            DrawLine{1440, 1000, 1440, 7900, 0},
            DrawLine{8340, 1000, 8340, 7900, 0},
            DrawLine{1440, 7900, 8340, 7900, 0},
            DrawLine{1440, 8335, 9965, 8335, 0},
            DrawLine{1440, 8335, 1440, 15045, 0},
            DrawLine{9965, 8335, 9965, 15045, 0},
            DrawLine{1440, 15045, 9965, 15045, 0},
        };
        QCOMPARE(sink.ops(), expected);
    }

    void backBorderStandsFiveTwipsOffThePicture()
    {
        store("False", "0", "True", "Back");
        RecordingSink sink;
        QCOMPARE(outcome(compose(PrintSelection::BackOnly, sink)), QString("ok"));
        QCOMPARE(sink.ops().size(), 5);
        const auto picture = std::get<PaintPicture>(sink.ops()[0]);
        const int top = std::get<DrawLine>(sink.ops()[1]).y1;
        const int right = std::get<DrawLine>(sink.ops()[3]).x1;
        const int bottom = std::get<DrawLine>(sink.ops()[4]).y1;
        const int left = std::get<DrawLine>(sink.ops()[2]).x1;
        QCOMPARE(picture.y - top, 5);
        QCOMPARE(picture.x + picture.width - right, 5);
        QCOMPARE(bottom - (picture.y + picture.height), 5);
        QCOMPARE(left, picture.x);
    }

    void eachOperationGoesOutAtItsStep()
    {
        store("True", "255", "True", "Both");
        const Settings settings(store_);
        StepSink sink(store_);
        QCOMPARE(outcome(ComposeCoverSheet(PrintSelection::FrontAndBack, settings, sink)),
                 QString("ok"));
        // Reads: GuideLine, LineColor, LineColor, BorderLine, Border.
        QStringList expected;
        const QStringList ops = page("FBGfb");
        const int readsBefore[] = {0, 0, 2, 3, 5, 5, 5, 5, 5, 5, 5, 5};
        for (int i = 0; i < ops.size(); ++i)
            expected << QString("%1 after %2").arg(ops[i]).arg(readsBefore[i]);
        QCOMPARE(sink.steps, expected);
    }

    void guideColourConverts_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("colour");
        for (const auto &[stored, colour] :
             std::initializer_list<std::pair<const char *, const char *>>{
                 {"0", "0"},
                 {"16711680", "16711680"},
                 {"-1", "4294967295"},
                 {"2147483647", "2147483647"},
                 {"-2147483648", "2147483648"},
             })
            QTest::newRow(stored) << QString(stored) << QString(colour);
    }

    void guideColourConverts()
    {
        QFETCH(QString, stored);
        QFETCH(QString, colour);
        store("True", stored, "False", "Both");
        RecordingSink sink;
        QCOMPARE(outcome(compose(PrintSelection::BackOnly, sink)), QString("ok"));
        QCOMPARE(described(sink.ops()), BackPicture + guides(colour));
    }

    // Which texts convert is the settings reader's; here, what a text that
    // does not convert does to the page.
    void guideColourThatDoesNotConvertFailsAfterThePictures()
    {
        const QString stored = "abc";
        for (PrintSelection selection : {PrintSelection::BackOnly, PrintSelection::FrontAndBack}) {
            store("True", stored, "True", "Both");
            RecordingSink sink;
            const MaybeFailure failure = compose(selection, sink);
            QVERIFY(failure);
            QCOMPARE(failure->number, int(failures::TypeMismatch));
            QCOMPARE(failure, failures::lineColourNotANumber());
            const QStringList pictures =
                selection == PrintSelection::BackOnly ? BackPicture : FrontPicture + BackPicture;
            QCOMPARE(described(sink.ops()), pictures);
            // It stops at the first guide: neither the second colour nor the borders are read.
            QCOMPARE(store_.reads, QStringList({"GuideLine", "LineColor"}));
        }
    }

    // The move rule: straight up by exactly the overflow, as far as the
    // printable area's top; otherwise the missing millimetres.
    void placedOnThePrintableArea_data()
    {
        QTest::addColumn<PrintSelection>("selection");
        QTest::addColumn<QSize>("area"); // twips
        QTest::addColumn<int>("shift");
        QTest::addColumn<QSize>("missing"); // twips; none: placed
        const auto both = PrintSelection::FrontAndBack;
        const QSize fits;
        QTest::newRow("exact fit") << both << QSize(9970, 15058) << 0 << fits;
        QTest::newRow("one twip over") << both << QSize(9970, 15057) << 1 << fits;
        QTest::newRow("A4, PDF driver") << both << QSize(11188, 15400) << 0 << fits;
        QTest::newRow("Letter, 0.5 in margins") << both << QSize(11520, 14400) << 658 << fits;
        QTest::newRow("up to the top exactly") << both << QSize(9970, 14058) << 1000 << fits;
        QTest::newRow("too tall even when moved") << both << QSize(9970, 14057) << 0 << QSize(0, 1);
        QTest::newRow("too wide") << both << QSize(9969, 20000) << 0 << QSize(1, 0);
        QTest::newRow("Letter, 1 in margins")
            << both << QSize(9360, 12960) << 0 << QSize(610, 1098);
        QTest::newRow("front only, 1 in margins")
            << PrintSelection::FrontOnly << QSize(9360, 12960) << 0 << fits;
        QTest::newRow("front only, short area")
            << PrintSelection::FrontOnly << QSize(9360, 7000) << 900 << fits;
        QTest::newRow("back only, short area")
            << PrintSelection::BackOnly << QSize(9970, 7000) << 8058 << fits;
        QTest::newRow("back only, too short")
            << PrintSelection::BackOnly << QSize(9970, 6722) << 0 << QSize(0, 1);
    }

    void placedOnThePrintableArea()
    {
        QFETCH(PrintSelection, selection);
        QFETCH(QSize, area);
        QFETCH(int, shift);
        QFETCH(QSize, missing);
        store("True", "255", "True", "Both");
        RecordingSink sink;
        QCOMPARE(outcome(compose(selection, sink)), QString("ok"));
        const auto placed = placeOnPage(sink.ops(), {"Q", "Letter", area.width(), area.height()});
        if (missing.isValid()) {
            QCOMPARE(std::get<Failure>(placed),
                     failures::coversDoNotFit("Q", "Letter", missing.width(), missing.height()));
            return;
        }
        QStringList expected;
        for (DrawOp op : sink.ops()) {
            if (auto *picture = std::get_if<PaintPicture>(&op)) {
                picture->y -= shift;
            } else {
                std::get<DrawLine>(op).y1 -= shift;
                std::get<DrawLine>(op).y2 -= shift;
            }
            expected << describe(op);
        }
        QCOMPARE(described(std::get<QList<DrawOp>>(placed)), expected);
    }

    void missingMillimetres()
    {
        QCOMPARE(failures::coversDoNotFit("Tight", "Letter", 610, 1098).description,
                 QString("Letter on \"Tight\": 10.8 mm narrow, "
                         "19.4 mm short."));
        QCOMPARE(failures::coversDoNotFit("Q", "A4", 0, 1).description,
                 QString("A4 on \"Q\": 0.1 mm short."));
    }

    void sinkFailureEndsTheComposition_data()
    {
        QTest::addColumn<int>("failAt");
        for (int i = 0; i < 12; ++i)
            QTest::newRow(qPrintable(QString::number(i))) << i;
    }

    void sinkFailureEndsTheComposition()
    {
        QFETCH(int, failAt);
        store("True", "255", "True", "Both");
        const Settings settings(store_);
        FailingSink sink(failAt);
        QCOMPARE(outcome(ComposeCoverSheet(PrintSelection::FrontAndBack, settings, sink)),
                 QString("482: refused"));
        QCOMPARE(sink.ops, page("FBGfb").mid(0, failAt));
    }

    // The size a picture travels at to the printer: at most 600 pixels an inch.
    void travelSizes_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("twips");
        QTest::addColumn<int>("resolution");
        QTest::addColumn<QSize>("travels");
        const QSize front(6900, 6900);
        QTest::newRow("24 MP on the front, 1200 dpi: 600 ppi at most")
            << QSize(6000, 4000) << front << 1200 << QSize(2875, 2875);
        QTest::newRow("24 MP on the front, 300 dpi")
            << QSize(6000, 4000) << front << 300 << QSize(1438, 1438);
        QTest::newRow("24 MP on the back")
            << QSize(6000, 4000) << QSize(8530, 6700) << 1200 << QSize(3555, 2792);
        QTest::newRow("small stays small") << QSize(640, 480) << front << 1200 << QSize(640, 480);
        QTest::newRow("one side down, the other kept")
            << QSize(500, 8000) << front << 1200 << QSize(500, 2875);
        QTest::newRow("exactly enough") << QSize(2875, 2875) << front << 600 << QSize(2875, 2875);
    }

    void travelSizes()
    {
        QFETCH(QSize, picture);
        QFETCH(QSize, twips);
        QFETCH(int, resolution);
        QFETCH(QSize, travels);
        QCOMPARE(CupsPrinter::travelSize(picture, twips, resolution), travels);
    }
};

QTEST_APPLESS_MAIN(PrintLayoutTest)
#include "print_layout_test.moc"
