// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/PrintPipeline.h"

#include "base/Failures.h"
#include "platform/PictureDecoder.h"
#include "platform/Printer.h"
#include "printing/PrintableArea.h"

#include <QtConcurrent/QtConcurrentRun>

#include <utility>
#include <variant>

namespace quillane {

namespace {

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

// One cover as it goes to the printer.
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

} // namespace

MaybeFailure PrinterSink::draw(const DrawOp &op)
{
    if (const auto *picture = std::get_if<PaintPicture>(&op))
        return printer_.paintPicture(picture->slot == Cover::Front ? front_ : back_, picture->x,
                                     picture->y, picture->width, picture->height);
    const auto &line = std::get<DrawLine>(op);
    return printer_.drawLine(line.x1, line.y1, line.x2, line.y2, line.colour);
}

MaybeFailure printComposedPage(const QList<DrawOp> &composed, Printer &printer,
                               PictureDecoder &decoder, const HeldPicture &front,
                               const HeldPicture &back)
{
    PrintableArea area;
    if (MaybeFailure failure = printer.printableArea(&area))
        return failure;
    auto placed = placeOnPage(composed, area);
    if (auto *tooSmall = std::get_if<Failure>(&placed))
        return *tooSmall;
    const QList<DrawOp> &page = std::get<QList<DrawOp>>(placed);

    // The two covers at once: the front on another worker, the back here.
    PreparedPicture frontPrepared, backPrepared;
    QFuture<void> frontDone = QtConcurrent::run([&] {
        frontPrepared = prepare(decoder, front, paintOf(page, Cover::Front), area.pictureDensity);
    });
    backPrepared = prepare(decoder, back, paintOf(page, Cover::Back), area.pictureDensity);
    frontDone.waitForFinished();
    if (frontPrepared.failure)
        return frontPrepared.failure;
    if (backPrepared.failure)
        return backPrepared.failure;
    PrinterSink sink(printer, frontPrepared.image, backPrepared.image);
    return printPage(page, sink, printer);
}

} // namespace quillane
