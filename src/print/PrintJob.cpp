#include "print/PrintJob.h"

#include "app/MainWindow.h"
#include "covers/CoverSlot.h"
#include "dialogs/Dialogs.h"
#include "platform/Platform.h"
#include "platform/Printer.h"
#include "print/PrinterDialog.h"

#include <QApplication>
#include <QCheckBox>

#include <utility>

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

void runPrintJob(MainWindow &window)
{
    // An answer left over from an earlier dialog never counts.
    QString &dialogResult = window.dialogResult();
    dialogResult.clear();

    const std::optional<PrintSelection> selection =
        selectionFor(window.printFrontBox()->isChecked(), window.printBackBox()->isChecked());
    // Nothing selected: nothing to draw, and no blank page either.
    if (!selection)
        return;
    if (*selection != PrintSelection::BackOnly && !window.frontSlot().isFilled())
        return;
    if (*selection != PrintSelection::FrontOnly && !window.backSlot().isFilled())
        return;

    Printer &printer = window.platform().printer;
    PrinterDialog(&window, printer, dialogResult).exec();
    if (dialogResult == QLatin1String("False"))
        return;

    BusyCursor busy;
    RecordingSink page;
    MaybeFailure failure = ComposeCoverSheet(*selection, window.settings(), page);
    PrintableArea area;
    if (!failure)
        failure = printer.printableArea(&area);
    if (!failure) {
        auto placed = placeOnPage(page.ops(), area);
        if (auto *tooSmall = std::get_if<Failure>(&placed)) {
            failure = *tooSmall;
        } else {
            PrinterSink sink(printer, window.frontSlot().picture(), window.backSlot().picture());
            failure = printPage(std::get<QList<DrawOp>>(placed), sink, printer);
        }
    }
    busy.end();
    if (failure)
        showFailure(&window, *failure);
}

} // namespace quillane
