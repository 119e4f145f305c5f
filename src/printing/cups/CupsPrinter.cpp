// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/cups/CupsPrinter.h"

#include "base/ColorValue.h"
#include "base/Failures.h"

#include "printing/PdfPage.h"
#include "printing/PrintableArea.h"

#include <QDeadlineTimer>
#include <QThread>

#include <cups/cups.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

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

// What every job carries, so that no default of the queue scales, turns,
// mirrors, multiplies, frames or drops the page as drawn.
const char *const PinnedOptions[][2] = {
    {"print-scaling", "none"}, {"fit-to-page", "false"},       {"fitplot", "false"},
    {"number-up", "1"},        {"orientation-requested", "3"}, {"mirror", "false"},
    {"page-set", "all"},       {"page-border", "none"},
};

// Options of the queue or the instance that would change the page's
// geometry, or that the job sets itself.
const char *const NotPassedOn[] = {"print-scaling", "fit-to-page",     "fitplot",
                                   "scaling",       "natural-scaling", "ppi",
                                   "position",      "number-up",       "number-up-layout",
                                   "landscape",     "mirror",          "orientation-requested",
                                   "page-set",      "page-border",     "page-ranges",
                                   "media",         "job-hold-until",  "device-uri"};

// The queue's and instance's options a job takes over: not the printer's
// descriptions either.
bool passedOn(const char *name)
{
    for (const char *option : NotPassedOn) {
        if (std::strcmp(name, option) == 0)
            return false;
    }
    return std::strncmp(name, "printer-", 8) != 0 && std::strncmp(name, "marker-", 7) != 0;
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

ipp_t *jobRequest(ipp_op_t operation, int job)
{
    ipp_t *request = ippNewRequest(operation);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr,
                 QByteArray("ipp://localhost/jobs/" + QByteArray::number(job)).constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    return request;
}

// Lets a job held since its creation go to the printer.
bool release(http_t *http, int job)
{
    ippDelete(cupsDoRequest(http, jobRequest(IPP_OP_RELEASE_JOB, job), "/jobs/"));
    return cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE;
}

// A printer's or job's state as the scheduler tells it.
struct State {
    int state = 0;
    // The reasons and the message, as CUPS words them.
    QStringList reasons;
};

void addMessage(ipp_t *response, const char *name, QStringList *reasons)
{
    const QString message =
        QString::fromUtf8(ippGetString(ippFindAttribute(response, name, IPP_TAG_TEXT), 0, nullptr))
            .trimmed();
    if (!message.isEmpty() && !reasons->contains(message, Qt::CaseInsensitive))
        *reasons << message;
}

State printerState(http_t *http, const char *queue)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof(uri), "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", queue);
    ipp_t *request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    static const char *const wanted[] = {"printer-state", "printer-state-reasons",
                                         "printer-state-message"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr,
                  wanted);
    ipp_t *response = cupsDoRequest(http, request, "/");
    State state;
    state.state = ippGetInteger(ippFindAttribute(response, "printer-state", IPP_TAG_ENUM), 0);
    ipp_attribute_t *reasons = ippFindAttribute(response, "printer-state-reasons", IPP_TAG_KEYWORD);
    for (int i = 0; i < ippGetCount(reasons); ++i) {
        const char *reason = ippGetString(reasons, i, nullptr);
        if (reason && std::strcmp(reason, "none") != 0)
            state.reasons << QString::fromUtf8(reason);
    }
    addMessage(response, "printer-state-message", &state.reasons);
    ippDelete(response);
    return state;
}

State jobState(http_t *http, int job)
{
    ipp_t *request = jobRequest(IPP_OP_GET_JOB_ATTRIBUTES, job);
    static const char *const wanted[] = {"job-state", "job-state-message",
                                         "job-printer-state-message"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr,
                  wanted);
    ipp_t *response = cupsDoRequest(http, request, "/");
    State state;
    state.state = ippGetInteger(ippFindAttribute(response, "job-state", IPP_TAG_ENUM), 0);
    // Its own reason keywords say little ("job-printing" on a stopped job): the messages do.
    addMessage(response, "job-state-message", &state.reasons);
    addMessage(response, "job-printer-state-message", &state.reasons);
    ippDelete(response);
    return state;
}

QString reasonsOf(const QStringList &reasons)
{
    return reasons.isEmpty() ? QStringLiteral("no reason given") : reasons.join(", ");
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
    PageGeometry geometry;
    int resolution = 0;
    PrintableArea area;

    ~Paper() { cupsFreeOptions(optionCount, options); }
};

// One page on its way: drawn into a PDF in memory that goes to CUPS only
// when the page ends, so that a page given up on never reaches the printer.
struct CupsPrinter::Document {
    explicit Document(const Paper &paper) : page(paper.geometry), resolution(paper.resolution) {}
    PdfPage page;
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

    // A stopped printer would hold the job, one that refuses would turn it down.
    const char *state = cupsGetOption("printer-state", dest->num_options, dest->options);
    const char *accepting =
        cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const bool stopped = state && std::atoi(state) == IPP_PSTATE_STOPPED;
    if (stopped || (accepting && std::strcmp(accepting, "false") == 0)) {
        const State printer = printerState(connection.http, dest->name);
        if (connection.silent)
            return serviceFailure(connection, name);
        return stopped ? failures::printerStopped(name, reasonsOf(printer.reasons))
                       : failures::notAcceptingJobs(name, printer.reasons.join(", "));
    }

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
    // Duplex, colour, quality, tray and the like apply as the queue or the
    // instance has them.
    auto add = [&paper](const char *option, const char *value) {
        paper->optionCount = cupsAddOption(option, value, paper->optionCount, &paper->options);
    };
    for (int i = 0; i < dest->num_options; ++i) {
        if (passedOn(dest->options[i].name))
            add(dest->options[i].name, dest->options[i].value);
    }
    for (const auto &pinned : PinnedOptions)
        add(pinned[0], pinned[1]);
    add("media", size.media);
    // Held until the whole page is in: a job cut short, or whose answer never
    // came, never prints, even when CUPS wakes after the cancel was given up.
    add("job-hold-until", "indefinite");
    paper->resolution = resolutionOf(connection.http, dest, info);
    if (connection.silent)
        return serviceFailure(connection, name);
    const pwg_media_t *pwg = pwgMediaForPWG(size.media);
    const QString paperName = QString::fromUtf8(pwg && pwg->ppd ? pwg->ppd : size.media);
    // Exactly as the printer gives them: never rounded to points or millimetres.
    paper->geometry = {size.width, size.length, size.left, size.top};
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
    document_ = std::make_unique<Document>(*paper_);
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
    const QRect target(x, y, width, height);
    const QSize size = travelSize(picture.size(), QSize(width, height), document_->resolution);
    const QImage travels =
        resampling_ == Resampling::Off || size == picture.size()
            ? picture
            : picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (travels.isNull() || !document_->page.drawPicture(travels, target))
        return failures::pictureTooLargeToPrint();
    return std::nullopt;
}

MaybeFailure CupsPrinter::drawLine(int x1, int y1, int x2, int y2, quint32 colour)
{
    if (!document_) {
        if (MaybeFailure failure = beginDocument())
            return failure;
    }
    document_->page.drawLine(QLine(x1, y1, x2, y2), fromColorValue(colour));
    return std::nullopt;
}

MaybeFailure CupsPrinter::endDocument()
{
    if (!document_)
        return std::nullopt; // nothing drawn: no blank page
    const std::unique_ptr<Document> document = std::move(document_);
    MaybeFailure failure = send(document->page.document());
    paper_.reset();
    return failure;
}

MaybeFailure CupsPrinter::send(const QByteArray &pdf)
{
    const QString printer = paper_->area.printer;
    const QByteArray &queue = paper_->queue;
    int job = 0;
    bool accepted = false;
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
        accepted = true;
        lastJob_ = job;
        return watch(connection, job);
    }();
    // An accepted job stays where it is: the message says where.
    if (!failure || accepted)
        return failure;
    if (job > 0) {
        // The half-sent connection is closed by now; a new one takes the job back.
        Connection connection(bounds_);
        if (connection.http)
            cupsCancelJob2(connection.http, queue.constData(), job, 0);
        lastCancelled_ = job;
    }
    return failure;
}

MaybeFailure CupsPrinter::watch(Connection &connection, int job) const
{
    const QString printer = paper_->area.printer;
    const QDeadlineTimer deadline(bounds_.watch);
    for (;;) {
        const State ofJob = jobState(connection.http, job);
        // Completed, or taken away by someone else: nothing to say.
        if (connection.silent ||
            (ofJob.state >= IPP_JSTATE_CANCELED && ofJob.state != IPP_JSTATE_ABORTED))
            return std::nullopt;
        const State ofPrinter = printerState(connection.http, paper_->queue.constData());
        if (connection.silent)
            return std::nullopt;
        const QString reasons = reasonsOf(ofJob.reasons + ofPrinter.reasons);
        if (ofJob.state == IPP_JSTATE_ABORTED)
            return failures::jobAborted(printer, reasons);
        if (ofJob.state == IPP_JSTATE_STOPPED || ofPrinter.state == IPP_PSTATE_STOPPED)
            return failures::jobWaiting(printer, reasons, job);
        if (deadline.hasExpired())
            return std::nullopt; // printing, or still waiting its turn
        QThread::msleep(250);
    }
}

void CupsPrinter::abandonDocument()
{
    paper_.reset();
    // The page lives only in memory and never reaches CUPS.
    document_.reset();
}

} // namespace quillane
