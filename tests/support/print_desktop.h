// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pictures/QtPictureDecoder.h"
#include "platform/Platform.h"
#include "printing/PdfFilePrinter.h"
#include "printing/cups/CupsPrinter.h"
#include "settings/QtSettingsStore.h"
#include "support/FakeCommonDialog.h"
#include "support/FakeUrlLauncher.h"

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
