#include "platform/CupsPrinter.h"

#include "platform/ColorValue.h"
#include "platform/Failures.h"

#include <QDir>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <cups/cups.h>

namespace quillane {

namespace {

constexpr int TwipsPerInch = 1440;
const char *const JobTitle = "Quillane cover sheet";

// Asks the scheduler itself: Qt reports an unreachable CUPS as an empty list.
bool schedulerReachable()
{
    http_t *http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                5000, nullptr);
    if (!http)
        return false;
    httpClose(http);
    return true;
}

int pixelsFor(int twips, int pixelsPerInch)
{
    return int((qint64(twips) * pixelsPerInch + TwipsPerInch - 1) / TwipsPerInch);
}

} // namespace

// One page on its way: drawn into a PDF file that goes to CUPS only when the
// page ends, so that a page given up on never reaches the printer.
struct CupsPrinter::Document {
    QString printer;
    QString media;
    int resolution = 0;
    QTemporaryFile file{QDir::tempPath() + "/quillane-XXXXXX.pdf"};
    std::unique_ptr<QPdfWriter> writer;
    QPainter painter;
};

CupsPrinter::CupsPrinter(Resampling resampling) : resampling_(resampling) {}

CupsPrinter::~CupsPrinter()
{
    abandonDocument();
}

QStringList CupsPrinter::listPrinters()
{
    listed_ = QPrinterInfo::availablePrinterNames();
    return listed_;
}

void CupsPrinter::makeCurrent(int position)
{
    if (position >= 0 && position < listed_.size()) {
        chosen_ = listed_[position];
        choiceUnknown_ = false;
    } else {
        chosen_.reset();
        choiceUnknown_ = true;
    }
}

Failure CupsPrinter::missingPrinter(const QString &printer)
{
    if (!schedulerReachable())
        return failures::printServiceUnreachable();
    return printer.isEmpty() ? failures::noPrinter() : failures::printerGone(printer);
}

MaybeFailure CupsPrinter::beginDocument()
{
    if (choiceUnknown_)
        return failures::chosenPrinterUnknown();
    const QStringList installed = QPrinterInfo::availablePrinterNames();
    if (installed.isEmpty())
        return missingPrinter(QString());
    const QString name = chosen_ ? *chosen_ : QPrinterInfo::defaultPrinterName();
    if (name.isEmpty())
        return failures::noDefaultPrinter();
    if (!installed.contains(name))
        return missingPrinter(name);

    // Qt puts the page on its default printer when it does not know the name.
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(name);
    if (printer.printerName() != name)
        return missingPrinter(name);
    // The printer's own paper, with its printable area.
    const QPageSize paper = QPrinterInfo::printerInfo(name).defaultPageSize();
    if (paper.isValid())
        printer.setPageSize(paper);

    auto document = std::make_unique<Document>();
    document->printer = name;
    document->media = printer.pageLayout().pageSize().key();
    document->resolution = printer.resolution();
    if (!document->file.open())
        return failures::spoolFailed(document->file.errorString());
    document->writer = std::make_unique<QPdfWriter>(&document->file);
    document->writer->setTitle(JobTitle);
    document->writer->setCreator("Quillane 2.2");
    document->writer->setResolution(document->resolution);
    if (!document->writer->setPageLayout(printer.pageLayout()))
        return failures::spoolFailed("the printer's page size cannot be used.");
    if (!document->painter.begin(document->writer.get()))
        return failures::spoolFailed(document->file.errorString());
    // The painter starts at the printable area's top-left corner; draw in twips.
    const qreal scale = qreal(document->resolution) / TwipsPerInch;
    document->painter.scale(scale, scale);
    document_ = std::move(document);
    return std::nullopt;
}

QSize CupsPrinter::travelSize(QSize picture, QSize twips, int resolution)
{
    const int density = qMin(resolution, MaxPixelsPerInch);
    return {qMin(picture.width(), pixelsFor(twips.width(), density)),
            qMin(picture.height(), pixelsFor(twips.height(), density))};
}

MaybeFailure CupsPrinter::paintPicture(const QImage &picture, int x, int y, int width, int height)
{
    if (picture.isNull())
        return failures::pictureNotPrintable();
    if (!document_) {
        if (MaybeFailure failure = beginDocument())
            return failure;
    }
    const QRectF target(x, y, width, height);
    const QSize size = travelSize(picture.size(), QSize(width, height), document_->resolution);
    if (resampling_ == Resampling::Off || size == picture.size()) {
        document_->painter.drawImage(target, picture);
        return std::nullopt;
    }
    const QImage resampled = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (resampled.isNull())
        return failures::pictureTooLargeToPrint();
    document_->painter.drawImage(target, resampled);
    return std::nullopt;
}

MaybeFailure CupsPrinter::drawLine(int x1, int y1, int x2, int y2, quint32 colour)
{
    if (!document_) {
        if (MaybeFailure failure = beginDocument())
            return failure;
    }
    // Width 0: one device pixel, whatever the scale.
    QPen pen(fromColorValue(colour), 0);
    document_->painter.setPen(pen);
    document_->painter.drawLine(QLineF(x1, y1, x2, y2));
    return std::nullopt;
}

MaybeFailure CupsPrinter::endDocument()
{
    if (!document_)
        return std::nullopt; // nothing drawn: no blank page
    const std::unique_ptr<Document> document = std::move(document_);
    const bool drawn = document->painter.end();
    document->writer.reset();
    if (!drawn || !document->file.flush() || document->file.error() != QFileDevice::NoError)
        return failures::spoolFailed(document->file.errorString());

    // A printer instance ("name/instance") is its queue with options of its own.
    const QByteArray name = document->printer.toUtf8();
    const qsizetype slash = name.indexOf('/');
    const QByteArray queue = slash < 0 ? name : name.left(slash);
    const QByteArray instance = slash < 0 ? QByteArray() : name.mid(slash + 1);
    int optionCount = 0;
    cups_option_t *options = nullptr;
    if (cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.constData(),
                                             instance.isEmpty() ? nullptr : instance.constData())) {
        for (int i = 0; i < dest->num_options; ++i)
            optionCount =
                cupsAddOption(dest->options[i].name, dest->options[i].value, optionCount, &options);
        cupsFreeDests(1, dest);
    }
    optionCount =
        cupsAddOption("media", document->media.toUtf8().constData(), optionCount, &options);
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.constData(),
                                   QFile::encodeName(document->file.fileName()).constData(),
                                   JobTitle, optionCount, options);
    cupsFreeOptions(optionCount, options);
    if (job > 0) {
        lastJob_ = job;
        return std::nullopt;
    }
    const ipp_status_t status = cupsLastError();
    const QString reason = QString::fromUtf8(cupsLastErrorString());
    if (status == IPP_STATUS_ERROR_NOT_FOUND || status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE)
        return missingPrinter(document->printer);
    if (status == IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS)
        return failures::notAcceptingJobs(document->printer);
    return failures::jobRefused(reason);
}

void CupsPrinter::abandonDocument()
{
    if (!document_)
        return;
    // The file is removed with the document and never reaches CUPS.
    document_->painter.end();
    document_.reset();
}

} // namespace quillane
