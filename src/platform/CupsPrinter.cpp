#include "platform/CupsPrinter.h"

#include "platform/ColorValue.h"
#include "platform/Failures.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <cups/cups.h>

#include <cmath>

namespace quillane {

namespace {

constexpr int TwipsPerInch = 1440;
constexpr double HundredthsMmPerInch = 2540;
const char *const JobTitle = "Quillane cover sheet";
// Sent in pieces so that a stalled service is noticed between them.
constexpr qint64 PieceBytes = 64 * 1024;

// Down to whole twips: the area is never taken as larger than it is.
int twipsFor(int hundredthsMm)
{
    return int(std::floor(hundredthsMm * TwipsPerInch / HundredthsMmPerInch));
}

double pointsFor(int hundredthsMm)
{
    return hundredthsMm * 72 / HundredthsMmPerInch;
}

// "queue" or "queue/instance", as the list shows it.
QString nameOf(const cups_dest_t &dest)
{
    QString name = QString::fromUtf8(dest.name);
    if (dest.instance)
        name += '/' + QString::fromUtf8(dest.instance);
    return name;
}

// The paper an instance or the queue asks for by name, if any.
const char *requestedMedia(const cups_dest_t &dest)
{
    if (const char *media = cupsGetOption("media", dest.num_options, dest.options))
        return media;
    if (const char *size = cupsGetOption("PageSize", dest.num_options, dest.options)) {
        if (pwg_media_t *pwg = pwgMediaForPPD(size))
            return pwg->pwg;
    }
    return nullptr;
}

int resolutionOf(http_t *http, cups_dest_t *dest, cups_dinfo_t *info)
{
    ipp_attribute_t *attribute = cupsFindDestDefault(http, dest, info, "printer-resolution");
    if (!attribute)
        return CupsPrinter::MaxPixelsPerInch;
    int y = 0;
    ipp_res_t units = IPP_RES_PER_INCH;
    const int x = ippGetResolution(attribute, 0, &y, &units);
    const int dpi = units == IPP_RES_PER_CM ? int(std::lround(x * 2.54)) : x;
    return dpi > 0 ? dpi : CupsPrinter::MaxPixelsPerInch;
}

// Lets a job held since its creation go to the printer.
bool release(http_t *http, int job)
{
    ipp_t *request = ippNewRequest(IPP_OP_RELEASE_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr,
                 QByteArray("ipp://localhost/jobs/" + QByteArray::number(job)).constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    ippDelete(cupsDoRequest(http, request, "/jobs/"));
    return cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE;
}

} // namespace

// One connection to the print service, every wait on it bounded.
struct CupsPrinter::Connection {
    explicit Connection(const CupsBounds &bounds) : seconds((bounds.answer + 999) / 1000)
    {
        int cancel = 0;
        http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                            bounds.connect, &cancel);
        if (http)
            httpSetTimeout(http, bounds.answer / 1000.0, &Connection::giveUp, this);
    }
    ~Connection()
    {
        if (http)
            httpClose(http);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // libcups asks whether to go on waiting once the service has been silent too long.
    static int giveUp(http_t *, void *self)
    {
        static_cast<Connection *>(self)->silent = true;
        return 0;
    }

    // One small request first: a silent service then costs one wait, where
    // libcups's own series of requests would reconnect and wait again.
    bool answers()
    {
        ippDelete(cupsDoRequest(http, ippNewRequest(IPP_OP_CUPS_GET_DEFAULT), "/"));
        return !silent;
    }

    http_t *http = nullptr;
    bool silent = false;
    int seconds = 0;
};

// The chosen printer's paper as that printer itself describes it.
struct CupsPrinter::Paper {
    QByteArray queue;
    int optionCount = 0;
    cups_option_t *options = nullptr;
    QPageLayout layout;
    int resolution = 0;
    PrintableArea area;

    ~Paper() { cupsFreeOptions(optionCount, options); }
};

// One page on its way: drawn into a PDF in memory that goes to CUPS only
// when the page ends, so that a page given up on never reaches the printer.
struct CupsPrinter::Document {
    QBuffer pdf;
    std::unique_ptr<QPdfWriter> writer;
    QPainter painter;
    int resolution = 0;
};

CupsPrinter::CupsPrinter(Resampling resampling, CupsBounds bounds)
    : resampling_(resampling), bounds_(bounds)
{
}

CupsPrinter::~CupsPrinter()
{
    abandonDocument();
}

Failure CupsPrinter::serviceFailure(const Connection &connection, const QString &printer) const
{
    if (connection.silent)
        return failures::printServiceNotAnswering(connection.seconds);
    const ipp_status_t status = cupsLastError();
    if (status == IPP_STATUS_ERROR_NOT_FOUND)
        return failures::printerGone(printer);
    if (status == IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS)
        return failures::notAcceptingJobs(printer);
    if (status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE || status == IPP_STATUS_ERROR_INTERNAL)
        return failures::printServiceUnreachable();
    return failures::jobRefused(QString::fromUtf8(cupsLastErrorString()));
}

QStringList CupsPrinter::listPrinters()
{
    listed_.clear();
    listingFailure_.reset();
    Connection connection(bounds_);
    if (!connection.http)
        return listed_; // asked again when printing
    if (!connection.answers()) {
        listingFailure_ = serviceFailure(connection, QString());
        return listed_;
    }
    cups_dest_t *dests = nullptr;
    const int count = cupsGetDests2(connection.http, &dests);
    // cupsGetDests2's order is CUPS's own, instances after their queue.
    for (int i = 0; i < count; ++i)
        listed_ << nameOf(dests[i]);
    cupsFreeDests(count, dests);
    if (connection.silent) {
        listed_.clear();
        listingFailure_ = serviceFailure(connection, QString());
    }
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

MaybeFailure CupsPrinter::findPaper()
{
    paper_.reset();
    if (choiceUnknown_)
        return failures::chosenPrinterUnknown();
    // A service that went silent while the list was filled is not waited on twice.
    if (listingFailure_)
        return listingFailure_;
    Connection connection(bounds_);
    if (!connection.http)
        return failures::printServiceUnreachable();
    if (!connection.answers())
        return serviceFailure(connection, QString());

    cups_dest_t *dests = nullptr;
    const int count = cupsGetDests2(connection.http, &dests);
    const auto freeDests = qScopeGuard([&] { cupsFreeDests(count, dests); });
    if (connection.silent)
        return serviceFailure(connection, QString());
    if (count == 0)
        return failures::noPrinter();
    cups_dest_t *dest = nullptr;
    if (chosen_) {
        const QByteArray name = chosen_->toUtf8();
        const qsizetype slash = name.indexOf('/');
        const QByteArray queue = slash < 0 ? name : name.left(slash);
        const QByteArray instance = slash < 0 ? QByteArray() : name.mid(slash + 1);
        dest = cupsGetDest(queue.constData(), instance.isEmpty() ? nullptr : instance.constData(),
                           count, dests);
        if (!dest)
            return failures::printerGone(*chosen_);
    } else if (!(dest = cupsGetDest(nullptr, nullptr, count, dests))) {
        return failures::noDefaultPrinter();
    }
    const QString name = nameOf(*dest);

    cups_dinfo_t *info = cupsCopyDestInfo(connection.http, dest);
    if (!info)
        return serviceFailure(connection, name);
    const auto freeInfo = qScopeGuard([info] { cupsFreeDestInfo(info); });
    // The instance's paper, else the queue's default; libcups's own default
    // lookup does not read the queue's.
    const char *requested = requestedMedia(*dest);
    if (!requested) {
        if (ipp_attribute_t *media = cupsFindDestDefault(connection.http, dest, info, "media"))
            requested = ippGetString(media, 0, nullptr);
    }
    cups_size_t size{};
    if (!(requested && cupsGetDestMediaByName(connection.http, dest, info, requested,
                                              CUPS_MEDIA_FLAGS_DEFAULT, &size)) &&
        !cupsGetDestMediaDefault(connection.http, dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size)) {
        if (connection.silent)
            return serviceFailure(connection, name);
        return failures::spoolFailed(QString("\"%1\" does not say what paper it holds.").arg(name));
    }

    auto paper = std::make_unique<Paper>();
    paper->queue = QByteArray(dest->name);
    for (int i = 0; i < dest->num_options; ++i)
        paper->optionCount = cupsAddOption(dest->options[i].name, dest->options[i].value,
                                           paper->optionCount, &paper->options);
    paper->optionCount = cupsAddOption("media", size.media, paper->optionCount, &paper->options);
    // Held until the whole page is in: a job cut short, or whose answer never
    // came, never prints, even when CUPS wakes after the cancel was given up.
    paper->optionCount =
        cupsAddOption("job-hold-until", "indefinite", paper->optionCount, &paper->options);
    paper->resolution = resolutionOf(connection.http, dest, info);
    if (connection.silent)
        return serviceFailure(connection, name);
    const pwg_media_t *pwg = pwgMediaForPWG(size.media);
    const QString paperName = QString::fromUtf8(pwg && pwg->ppd ? pwg->ppd : size.media);
    const QPageSize pageSize(QSizeF(pointsFor(size.width), pointsFor(size.length)),
                             QPageSize::Point, paperName);
    paper->layout = QPageLayout(pageSize, QPageLayout::Portrait,
                                QMarginsF(pointsFor(size.left), pointsFor(size.top),
                                          pointsFor(size.right), pointsFor(size.bottom)),
                                QPageLayout::Point);
    paper->area = {name, paperName, twipsFor(size.width - size.left - size.right),
                   twipsFor(size.length - size.top - size.bottom)};
    paper_ = std::move(paper);
    return std::nullopt;
}

MaybeFailure CupsPrinter::printableArea(PrintableArea *area)
{
    if (MaybeFailure failure = findPaper())
        return failure;
    *area = paper_->area;
    area->pictureDensity =
        resampling_ == Resampling::Off ? 0 : qMin(paper_->resolution, MaxPixelsPerInch);
    return std::nullopt;
}

MaybeFailure CupsPrinter::beginDocument()
{
    if (!paper_) {
        if (MaybeFailure failure = findPaper())
            return failure;
    }
    auto document = std::make_unique<Document>();
    document->resolution = paper_->resolution;
    if (!document->pdf.open(QIODevice::WriteOnly))
        return failures::spoolFailed(document->pdf.errorString());
    document->writer = std::make_unique<QPdfWriter>(&document->pdf);
    document->writer->setTitle(JobTitle);
    document->writer->setCreator("Quillane 2.2");
    document->writer->setResolution(document->resolution);
    if (!document->writer->setPageLayout(paper_->layout))
        return failures::spoolFailed("the printer's page size cannot be used.");
    if (!document->painter.begin(document->writer.get()))
        return failures::spoolFailed("the page cannot be drawn.");
    // The painter starts at the printable area's top-left corner; draw in twips.
    const qreal scale = qreal(document->resolution) / TwipsPerInch;
    document->painter.scale(scale, scale);
    document_ = std::move(document);
    return std::nullopt;
}

QSize CupsPrinter::travelSize(QSize picture, QSize twips, int resolution)
{
    return pictureTravelSize(picture, twips, qMin(resolution, MaxPixelsPerInch));
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
    if (!drawn || document->pdf.data().isEmpty())
        return failures::spoolFailed("the page cannot be drawn.");
    MaybeFailure failure = send(*document);
    paper_.reset();
    return failure;
}

MaybeFailure CupsPrinter::send(const Document &document)
{
    const QString printer = paper_->area.printer;
    const QByteArray &queue = paper_->queue;
    int job = 0;
    MaybeFailure failure = [&]() -> MaybeFailure {
        Connection connection(bounds_);
        if (!connection.http)
            return failures::printServiceUnreachable();
        // A silent service can leave the last status looking like success.
        auto failed = [&connection](bool refused) { return refused || connection.silent; };
        job = cupsCreateJob(connection.http, queue.constData(), JobTitle, paper_->optionCount,
                            paper_->options);
        if (failed(job <= 0) ||
            failed(cupsStartDocument(connection.http, queue.constData(), job, JobTitle,
                                     CUPS_FORMAT_PDF, 1) != HTTP_STATUS_CONTINUE))
            return serviceFailure(connection, printer);
        const QByteArray &pdf = document.pdf.data();
        for (qint64 written = 0; written < pdf.size(); written += PieceBytes) {
            const size_t piece = size_t(qMin(PieceBytes, pdf.size() - written));
            if (writeAllowed && !writeAllowed(written))
                return failures::jobRefused("the page did not reach the printing service whole.");
            if (failed(cupsWriteRequestData(connection.http, pdf.constData() + written, piece) !=
                       HTTP_STATUS_CONTINUE))
                return serviceFailure(connection, printer);
        }
        if (failed(cupsFinishDocument(connection.http, queue.constData()) >
                   IPP_STATUS_OK_EVENTS_COMPLETE) ||
            failed(!release(connection.http, job)))
            return serviceFailure(connection, printer);
        return std::nullopt;
    }();
    if (!failure) {
        lastJob_ = job;
        return std::nullopt;
    }
    if (job > 0) {
        // The half-sent connection is closed by now; a new one takes the job back.
        Connection connection(bounds_);
        if (connection.http)
            cupsCancelJob2(connection.http, queue.constData(), job, 0);
        lastCancelled_ = job;
    }
    return failure;
}

void CupsPrinter::abandonDocument()
{
    paper_.reset();
    if (!document_)
        return;
    // The page lives only in memory and never reaches CUPS.
    document_->painter.end();
    document_.reset();
}

} // namespace quillane
