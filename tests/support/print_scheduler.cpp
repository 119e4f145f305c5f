// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/print_scheduler.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quillane::test {

namespace {

const char *const Driver = "lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd";
constexpr int StartSeconds = 20;
constexpr int CommandSeconds = 30;
constexpr int JobSeconds = 90;

QString totalSizes(const QString &folder)
{
    QStringList sizes;
    for (const QFileInfo &file : QDir(folder).entryInfoList(QDir::Files, QDir::Name))
        sizes << file.fileName() + ' ' + QString::number(file.size());
    return sizes.join(',');
}

// Whether something listens on this loopback port, or with 0, a port free now.
int probe(int port)
{
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(quint16(port));
    socklen_t length = sizeof(address);
    auto *any = reinterpret_cast<sockaddr *>(&address);
    int result = 0;
    if (port)
        result = ::connect(socket, any, length) == 0;
    else if (::bind(socket, any, length) == 0 && ::getsockname(socket, any, &length) == 0)
        result = ntohs(address.sin_port);
    ::close(socket);
    return result;
}

// Ends a script of ours that runs until its input closes.
void end(QProcess &script)
{
    if (script.state() == QProcess::NotRunning)
        return;
    script.closeWriteChannel();
    if (!script.waitForFinished(15000)) {
        script.terminate();
        if (!script.waitForFinished(5000))
            script.kill();
        script.waitForFinished(5000);
    }
}

} // namespace

PrivateScheduler::PrivateScheduler() : dir_(QDir::tempPath() + "/quillane-cups-XXXXXX")
{
    qputenv("CUPS_SERVER", QFile::encodeName(dir_.path() + "/cups.sock"));
    // Queue descriptions come from here too, not from the machine's /etc/cups.
    qputenv("CUPS_SERVERROOT", QFile::encodeName(dir_.path()));
    // The user's own printer options (~/.cups/lpoptions) stay out of the tests.
    qputenv("HOME", QFile::encodeName(dir_.path()));
    qunsetenv("LPDEST");
    qunsetenv("PRINTER");
    scheduler_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

PrivateScheduler::~PrivateScheduler()
{
    stop();
}

bool PrivateScheduler::start(QString *why)
{
    if (isRunning())
        return true;
    scheduler_.start("bash", {QStringLiteral(QUILLANE_TESTS_DIR "/private-cups.sh"), dir_.path()});
    if (!scheduler_.waitForStarted(StartSeconds * 1000)) {
        *why = "cannot start the scheduler: " + scheduler_.errorString();
        return false;
    }
    const QDeadlineTimer deadline(StartSeconds * 1000);
    QString output;
    while (!deadline.hasExpired()) {
        if (!isRunning()) {
            *why = "the scheduler ended at once; see " + dir_.path() + "/logs";
            return false;
        }
        QString ignored;
        if (QFileInfo::exists(dir_.path() + "/cups.sock") &&
            run("lpstat", {"-r"}, &ignored, &output) && output.contains("is running"))
            return true;
        QThread::msleep(100);
    }
    *why = "the scheduler does not answer: " + output;
    return false;
}

void PrivateScheduler::stop()
{
    end(driverless_);
    if (!isRunning())
        return;
    end(scheduler_);
    QFile::remove(dir_.path() + "/cups.sock");
}

bool PrivateScheduler::freeze(bool frozen, QString *why)
{
    // The scheduler is the script's own child; only that process is signalled.
    QString pid;
    if (!run("pgrep", {"-P", QString::number(scheduler_.processId()), "-x", "cupsd"}, why, &pid))
        return false;
    if (::kill(pid.trimmed().toInt(), frozen ? SIGSTOP : SIGCONT) != 0) {
        *why = "cannot signal the scheduler";
        return false;
    }
    return true;
}

bool PrivateScheduler::run(const QString &program, const QStringList &arguments, QString *why,
                           QString *output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(CommandSeconds * 1000) ||
        !process.waitForFinished(CommandSeconds * 1000)) {
        *why = program + ": " + process.errorString();
        process.kill();
        process.waitForFinished();
        return false;
    }
    const QString text = QString::fromLocal8Bit(process.readAll());
    if (output)
        *output = text;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *why = program + ' ' + arguments.join(' ') + ": " + text;
        return false;
    }
    return true;
}

bool PrivateScheduler::resetQueues(const QStringList &names, QString *why)
{
    QString queues;
    // lpstat -e fails when there are none.
    run("lpstat", {"-e"}, why, &queues);
    // Instances ("queue/instance") go with their queue's options.
    QFile::remove(dir_.path() + "/lpoptions");
    QFile::remove(dir_.path() + "/.cups/lpoptions");
    for (const QString &queue : queues.split('\n', Qt::SkipEmptyParts)) {
        if (!queue.contains('/') && !run("lpadmin", {"-x", queue.trimmed()}, why))
            return false;
    }
    QDir out(dir_.path() + "/out");
    for (const QString &file : out.entryList(QDir::Files))
        out.remove(file);
    for (const QString &name : names) {
        if (!addQueue(name, {}, why))
            return false;
    }
    return names.isEmpty() || run("lpadmin", {"-d", names.first()}, why);
}

bool PrivateScheduler::addQueue(const QString &name, QStringList options, QString *why)
{
    if (options.isEmpty())
        options = QStringList{"-m", Driver};
    return run("lpadmin", QStringList{"-p", name, "-E", "-v", "file://" + outputOf(name)} + options,
               why);
}

bool PrivateScheduler::addDriverlessQueue(const QString &name, const QByteArray &attributes,
                                          QString *why)
{
    end(driverless_);
    QDir folder(dir_.path() + "/ipp");
    folder.removeRecursively();
    QFile conf(folder.filePath("printer.conf"));
    const int port = probe(0);
    if (!folder.mkpath(".") || !conf.open(QIODevice::WriteOnly) ||
        conf.write(attributes) != attributes.size() || !port) {
        *why = "cannot prepare the driverless printer in " + folder.path();
        return false;
    }
    conf.close();
    driverless_.start("bash", {QStringLiteral(QUILLANE_TESTS_DIR "/ipp-everywhere.sh"),
                               folder.path(), QString::number(port), conf.fileName()});
    const QDeadlineTimer deadline(StartSeconds * 1000);
    driverless_.waitForStarted(StartSeconds * 1000);
    while (!deadline.hasExpired() && driverless_.state() == QProcess::Running && !probe(port))
        QThread::msleep(100);
    *why = "ippeveprinter does not answer; see " + folder.path();
    return probe(port) &&
           run("lpadmin",
               {"-p", name, "-E", "-v", QString("ipp://localhost:%1/ipp/print").arg(port), "-m",
                "everywhere"},
               why);
}

QStringList PrivateScheduler::driverlessPages() const
{
    QStringList files;
    for (const QFileInfo &file :
         QDir(dir_.path() + "/ipp/spool").entryInfoList(QDir::Files, QDir::Time | QDir::Reversed))
        files << file.filePath();
    return files;
}

bool PrivateScheduler::waitForJobs(QString *why)
{
    const QDeadlineTimer deadline(JobSeconds * 1000);
    QString pending;
    while (!deadline.hasExpired()) {
        if (!run("lpstat", {"-W", "not-completed", "-o"}, why, &pending))
            return false;
        if (pending.trimmed().isEmpty())
            break;
        QThread::msleep(200);
    }
    if (!pending.trimmed().isEmpty()) {
        *why = "jobs still pending: " + pending;
        return false;
    }
    // The queue may finish writing its file just after the job completes.
    QString sizes = totalSizes(dir_.path() + "/out");
    while (!deadline.hasExpired()) {
        QThread::msleep(300);
        const QString now = totalSizes(dir_.path() + "/out");
        if (now == sizes)
            return true;
        sizes = now;
    }
    *why = "the output keeps growing";
    return false;
}

QString PrivateScheduler::outputOf(const QString &queue) const
{
    return dir_.path() + "/out/" + queue.toLower() + ".pdf";
}

QString PrivateScheduler::spooledDocument(int job) const
{
    return dir_.path() + QString("/spool/d%1-001").arg(job, 5, 10, QChar('0'));
}

} // namespace quillane::test
