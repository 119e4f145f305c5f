// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Printer.h"
#include "printing/PdfPage.h"

#include <QString>

#include <memory>

namespace quillane {

class CommonDialog;

// Writes the page to a PDF file the user names, for a user without a
// printer or one who prints at a shop. The page is A4, or US Letter where
// the locale measures in inches, and all of it is printable: the layout
// starts at its top-left corner. The file is written whole or not at all.
// No CUPS code is involved.
class PdfFilePrinter final : public Printer {
public:
    explicit PdfFilePrinter(CommonDialog &dialogs);

    // The file printer stands alone: it lists nothing and has nothing to choose.
    QStringList listPrinters() override { return {}; }
    void makeCurrent(int) override {}
    // The save dialog: "Print to File", PDF files, "Quillane covers.pdf" in
    // the documents folder.
    bool askDestination(QWidget *owner) override;
    MaybeFailure printableArea(PrintableArea *area) override;
    MaybeFailure paintPicture(const QImage &picture, int x, int y, int width, int height) override;
    MaybeFailure drawLine(int x1, int y1, int x2, int y2, quint32 colour) override;
    MaybeFailure endDocument() override;
    void abandonDocument() override;

    // Its entry in the "Print to:" list.
    static QString entryName();
    // The paper a file gets on this locale.
    static PageGeometry paper();

private:
    PdfPage &page();

    CommonDialog &dialogs_;
    QString file_;
    std::unique_ptr<PdfPage> page_;
};

// The printers, then the PDF file as the last entry of the list; choosing
// an entry makes that printer or the file current.
class PrintersAndPdfFile final : public Printer {
public:
    PrintersAndPdfFile(Printer &printers, PdfFilePrinter &file) : printers_(printers), file_(file)
    {
    }

    QStringList listPrinters() override;
    void makeCurrent(int position) override;
    bool askDestination(QWidget *owner) override { return current().askDestination(owner); }
    MaybeFailure printableArea(PrintableArea *area) override
    {
        return current().printableArea(area);
    }
    MaybeFailure paintPicture(const QImage &picture, int x, int y, int width, int height) override
    {
        return current().paintPicture(picture, x, y, width, height);
    }
    MaybeFailure drawLine(int x1, int y1, int x2, int y2, quint32 colour) override
    {
        return current().drawLine(x1, y1, x2, y2, colour);
    }
    MaybeFailure endDocument() override { return current().endDocument(); }
    void abandonDocument() override { current().abandonDocument(); }

private:
    Printer &current() { return toFile_ ? static_cast<Printer &>(file_) : printers_; }

    Printer &printers_;
    PdfFilePrinter &file_;
    int printersListed_ = 0;
    bool toFile_ = false;
};

} // namespace quillane
