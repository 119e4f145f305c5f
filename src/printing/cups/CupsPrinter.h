// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Printer.h"
#include "printing/CupsModule.h"

#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace quillane {

// The installed CUPS printers, asked through libcups with a time limit on
// every wait, so that a print service that stops answering ends the job
// instead of freezing the program. A printer that is stopped or refuses jobs
// is reported before anything is sent. The page is drawn into a PDF in
// memory, on the printer's own paper, and streamed to CUPS as one document
// only when it is whole, with the options that keep it as drawn; a job that
// fails on the way is cancelled, and an accepted one is watched for a while
// in case its printer stops. Nothing here talks to CUPS before the first
// print.
class CupsPrinter final : public Printer {
public:
    enum class Resampling {
        // Pictures travel with no more pixels than their rectangle can show.
        Down,
        // Pictures travel at their full size (kept to measure what resampling saves).
        Off,
    };

    explicit CupsPrinter(Resampling resampling = Resampling::Down,
                         CupsBounds bounds = CupsBounds());
    ~CupsPrinter() override;

    QStringList listPrinters() override;
    void makeCurrent(int position) override;
    MaybeFailure printableArea(PrintableArea *area) override;
    MaybeFailure paintPicture(const QImage &picture, int x, int y, int width, int height) override;
    MaybeFailure drawLine(int x1, int y1, int x2, int y2, quint32 colour) override;
    MaybeFailure endDocument() override;
    void abandonDocument() override;

    // The CUPS job number of the last page handed over, 0 before the first.
    int lastJob() const { return lastJob_; }
    // The CUPS job number of the last job that was cancelled on the way, 0 if none.
    int lastCancelledJob() const { return lastCancelled_; }

    // Asked before each piece of the document is written, with the bytes
    // written so far; false makes that write fail as a broken connection
    // would. Lets a test fail a job half-way through.
    std::function<bool(qint64 written)> writeAllowed;

    // Highest pixel density worth sending, in pixels per inch of printed size.
    static constexpr int MaxPixelsPerInch = 600;
    // The size a picture of this many pixels travels at in a rectangle of
    // this many twips on a printer of this resolution: each side shrunk to
    // what the rectangle holds, never grown.
    static QSize travelSize(QSize picture, QSize twips, int resolution);

private:
    struct Connection;
    struct Paper;
    struct Document;

    MaybeFailure findPaper();
    MaybeFailure beginDocument();
    MaybeFailure send(const QByteArray &pdf);
    // Watches an accepted job until it completes or the watch ends.
    MaybeFailure watch(Connection &connection, int job) const;
    // The failure for a connection that could not do what was asked.
    Failure serviceFailure(const Connection &connection, const QString &printer) const;

    Resampling resampling_;
    CupsBounds bounds_;
    QStringList listed_;
    // Why the last listing came back empty, when the service was to blame.
    std::optional<Failure> listingFailure_;
    // The printer chosen by position in the last listing; none means the
    // system default. A position outside that listing is kept as a failure.
    std::optional<QString> chosen_;
    bool choiceUnknown_ = false;
    std::unique_ptr<Paper> paper_;
    std::unique_ptr<Document> document_;
    int lastJob_ = 0;
    int lastCancelled_ = 0;
};

} // namespace quillane
