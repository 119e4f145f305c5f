#pragma once

#include "support/FakeCommonDialog.h"
#include "support/FakeUrlLauncher.h"
#include "printing/cups/CupsPrinter.h"
#include "printing/PdfFilePrinter.h"
#include "platform/Platform.h"
#include "pictures/QtPictureDecoder.h"
#include "settings/QtSettingsStore.h"

namespace quillane::test {

// The program as it runs on the desktop, printing through CUPS, but for the
// file-open dialog.
struct CupsDesktop {
    explicit CupsDesktop(CupsPrinter::Resampling resampling = CupsPrinter::Resampling::Down,
                         CupsBounds bounds = CupsBounds())
        : printer(resampling, bounds)
    {
    }

    QtSettingsStore settings;
    FakeCommonDialog commonDialog;
    QtPictureDecoder pictureDecoder;
    FakeUrlLauncher urlLauncher;
    CupsPrinter printer;
    PdfFilePrinter pdfFile{commonDialog};
    PrintersAndPdfFile printers{printer, pdfFile};
    Platform platform{settings, commonDialog, pictureDecoder, urlLauncher, printers};
};

} // namespace quillane::test
