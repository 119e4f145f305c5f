#pragma once

#include "platform/Printer.h"

#include <QSize>
#include <QString>

#include <memory>
#include <optional>

namespace quillane {

// The installed CUPS printers. Qt's print support lists them and gives each
// its page; the page is drawn into a PDF file of our own and handed to CUPS
// with libcups, because Qt's CUPS engine neither reports a job that CUPS
// refuses nor can take back a page once drawing has begun. Nothing here
// talks to CUPS before the first print.
class CupsPrinter final : public Printer {
public:
    enum class Resampling {
        // Pictures travel with no more pixels than their rectangle can show.
        Down,
        // Pictures travel at their full size (kept to measure what resampling saves).
        Off,
    };

    explicit CupsPrinter(Resampling resampling = Resampling::Down);
    ~CupsPrinter() override;

    QStringList listPrinters() override;
    void makeCurrent(int position) override;
    MaybeFailure paintPicture(const QImage &picture, int x, int y, int width, int height) override;
    MaybeFailure drawLine(int x1, int y1, int x2, int y2, quint32 colour) override;
    MaybeFailure endDocument() override;
    void abandonDocument() override;

    // The CUPS job number of the last page handed over, 0 before the first.
    int lastJob() const { return lastJob_; }

    // Highest pixel density worth sending, in pixels per inch of printed size.
    static constexpr int MaxPixelsPerInch = 600;
    // The size a picture of this many pixels travels at in a rectangle of
    // this many twips on a printer of this resolution: each side shrunk to
    // what the rectangle holds, never grown.
    static QSize travelSize(QSize picture, QSize twips, int resolution);

private:
    struct Document;

    MaybeFailure beginDocument();
    // The failure to report for printer when it is not installed now.
    static Failure missingPrinter(const QString &printer);

    Resampling resampling_;
    QStringList listed_;
    // The printer chosen by position in the last listing; none means the
    // system default. A position outside that listing is kept as a failure.
    std::optional<QString> chosen_;
    bool choiceUnknown_ = false;
    std::unique_ptr<Document> document_;
    int lastJob_ = 0;
};

} // namespace quillane
