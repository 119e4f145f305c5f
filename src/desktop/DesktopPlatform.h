// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/QtCommonDialog.h"
#include "desktop/QtHelpViewer.h"
#include "desktop/QtUrlLauncher.h"
#include "pictures/QtPictureDecoder.h"
#include "platform/Platform.h"
#include "printing/CupsModulePrinter.h"
#include "printing/PdfFilePrinter.h"
#include "settings/QtSettingsStore.h"

namespace quillane {

// The desktop's own services, as the program runs on them.
struct DesktopPlatform {
    QtSettingsStore settings;
    QtHelpViewer helpViewer;
    QtCommonDialog commonDialog{helpViewer};
    QtPictureDecoder pictureDecoder;
    QtUrlLauncher urlLauncher;
    CupsModulePrinter cupsPrinters;
    PdfFilePrinter pdfFile{commonDialog};
    PrintersAndPdfFile printer{cupsPrinters, pdfFile};
    Platform platform{settings, commonDialog, pictureDecoder, urlLauncher, printer};
};

} // namespace quillane
