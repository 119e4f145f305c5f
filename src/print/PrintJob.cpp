// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/PrintJob.h"

#include "dialogs/Dialogs.h"
#include "platform/Printer.h"
#include "print/PrinterDialog.h"
#include "ui/Chrome.h"
#include "ui/OffUiThread.h"

#include <QApplication>

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
    const bool asked = job.printer.askDestination(job.owner);
    takeKeyboardBack(job.owner);
    if (!asked)
        return;

    BusyCursor busy;
    // The settings are read here, in the order the layout reads them.
    RecordingSink page;
    MaybeFailure failure = ComposeCoverSheet(*selection, job.settings, page);
    if (!failure)
        failure = awaitOffUiThread([&] {
            return printComposedPage(page.ops(), job.printer, job.decoder, job.front, job.back);
        });
    busy.end();
    if (failure)
        showFailure(job.owner, *failure);
}

} // namespace quillane
