#include "print/PrintJob.h"

#include "dialogs/Dialogs.h"
#include "kit/OffUiThread.h"
#include "platform/Failures.h"
#include "platform/PictureDecoder.h"
#include "platform/Printer.h"
#include "print/PrinterDialog.h"

#include <QApplication>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>
#include <variant>

namespace quillane {

namespace {

// The busy cursor from the answer to the end of the printing, but not over
// the message window.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { end(); }
    void end()
    {
        if (std::exchange(on_, false))
            QApplication::restoreOverrideCursor();
    }

private:
    bool on_ = true;
};

MaybeFailure printPage(const QList<DrawOp> &page, PrinterSink &sink, Printer &printer)
{
    for (const DrawOp &op : page) {
        if (MaybeFailure failure = sink.draw(op)) {
            printer.abandonDocument();
            return failure;
        }
    }
    return printer.endDocument();
}

const PaintPicture *paintOf(const QList<DrawOp> &page, Cover cover)
{
    for (const DrawOp &op : page) {
        if (const auto *picture = std::get_if<PaintPicture>(&op); picture && picture->slot == cover)
            return picture;
    }
    return nullptr;
}

// One cover as it goes to the printer: decoded from the held bytes straight
// at the smallest size the format offers that covers its rectangle at the
// printer's density, then scaled down once to exactly that.
struct PreparedPicture {
    QImage image;
    MaybeFailure failure;
};

PreparedPicture prepare(PictureDecoder &decoder, const HeldPicture &held, const PaintPicture *op,
                        int density)
{
    if (!op)
        return {};
    const QSize twips(op->width, op->height);
    const QSize target = density > 0 ? pixelsFor(twips, density) : QSize();
    DecodedPicture decoded = decoder.decodeBytes(held.bytes, held.path, target);
    if (!decoded.ok())
        return {QImage(), std::move(decoded.failure)};
    const QSize travels = pictureTravelSize(decoded.image.size(), twips, density);
    if (travels == decoded.image.size())
        return {std::move(decoded.image), std::nullopt};
    QImage scaled = decoded.image.scaled(travels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        return {QImage(), failures::pictureTooLargeToPrint()};
    return {std::move(scaled), std::nullopt};
}

// Everything after the answer that waits on the printer or on the pictures.
MaybeFailure preparePrintAndSend(const QList<DrawOp> &composed, const PrintJobInputs &job)
{
    PrintableArea area;
    if (MaybeFailure failure = job.printer.printableArea(&area))
        return failure;
    auto placed = placeOnPage(composed, area);
    if (auto *tooSmall = std::get_if<Failure>(&placed))
        return *tooSmall;
    const QList<DrawOp> &page = std::get<QList<DrawOp>>(placed);

    // The two covers at once: the front on another worker, the back here.
    PreparedPicture front, back;
    QFuture<void> frontDone = QtConcurrent::run([&] {
        front = prepare(job.decoder, job.front, paintOf(page, Cover::Front), area.pictureDensity);
    });
    back = prepare(job.decoder, job.back, paintOf(page, Cover::Back), area.pictureDensity);
    frontDone.waitForFinished();
    if (front.failure)
        return front.failure;
    if (back.failure)
        return back.failure;
    PrinterSink sink(job.printer, front.image, back.image);
    return printPage(page, sink, job.printer);
}

} // namespace

std::optional<PrintSelection> selectionFor(bool front, bool back)
{
    if (front && back)
        return PrintSelection::FrontAndBack;
    if (front)
        return PrintSelection::FrontOnly;
    if (back)
        return PrintSelection::BackOnly;
    return std::nullopt;
}

MaybeFailure PrinterSink::draw(const DrawOp &op)
{
    if (const auto *picture = std::get_if<PaintPicture>(&op))
        return printer_.paintPicture(picture->slot == Cover::Front ? front_ : back_, picture->x,
                                     picture->y, picture->width, picture->height);
    const auto &line = std::get<DrawLine>(op);
    return printer_.drawLine(line.x1, line.y1, line.x2, line.y2, line.colour);
}

void runPrintJob(const PrintJobInputs &job)
{
    // An answer left over from an earlier dialog never counts.
    job.dialogResult.clear();

    const std::optional<PrintSelection> selection = selectionFor(job.printFront, job.printBack);
    // Nothing selected: nothing to draw, and no blank page either.
    if (!selection)
        return;
    if (*selection != PrintSelection::BackOnly && !job.front.isFilled())
        return;
    if (*selection != PrintSelection::FrontOnly && !job.back.isFilled())
        return;

    {
        PrinterDialog dialog(job.owner, job.printer, job.dialogResult);
        dialog.exec();
        dialog.awaitList();
    }
    if (job.dialogResult == QLatin1String("False"))
        return;
    // What the printer must know first, such as the file to write; a cancel prints nothing.
    if (!job.printer.askDestination(job.owner))
        return;

    BusyCursor busy;
    // The settings are read here, in the order the layout reads them.
    RecordingSink page;
    MaybeFailure failure = ComposeCoverSheet(*selection, job.settings, page);
    if (!failure)
        failure = awaitOffUiThread([&] { return preparePrintAndSend(page.ops(), job); });
    busy.end();
    if (failure)
        showFailure(job.owner, *failure);
}

} // namespace quillane
