#pragma once

#include "platform/CupsModulePrinter.h"
#include "platform/PdfFilePrinter.h"
#include "platform/Platform.h"
#include "platform/QtCommonDialog.h"
#include "platform/QtHelpViewer.h"
#include "platform/QtPictureDecoder.h"
#include "platform/QtSettingsStore.h"
#include "platform/QtUrlLauncher.h"

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
