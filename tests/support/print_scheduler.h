// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace quillane::test {

// A private CUPS scheduler (tests/private-cups.sh) for one test program.
// Creating it points this process's libcups, and every program it starts,
// at the scheduler's socket and configuration: create it before anything
// asks CUPS. The scheduler ends with this object, or with the test program
// however it ends.
class PrivateScheduler {
public:
    PrivateScheduler();
    ~PrivateScheduler();

    // Starts the scheduler and waits until it answers; why says what failed.
    bool start(QString *why);
    // Stops it and waits until it has gone.
    void stop();
    // Stops the scheduler answering without ending it (SIGSTOP), or lets it go on.
    bool freeze(bool frozen, QString *why);
    bool isRunning() const { return scheduler_.state() != QProcess::NotRunning; }

    // Every queue gone, then file queues with the generic PDF driver, each
    // writing its jobs to outputOf(name), the first the system default.
    bool resetQueues(const QStringList &names, QString *why);
    // Adds a file queue writing its jobs to outputOf(name), made with these
    // lpadmin options (a driver and its settings); none: the generic PDF driver.
    bool addQueue(const QString &name, QStringList options, QString *why);
    // Adds a queue as desktops add a driverless printer they find (lpadmin
    // -m everywhere), on CUPS's IPP Everywhere printer (tests/ipp-everywhere.sh)
    // started with these attributes on a loopback port of its own. The
    // printer runs until the next one starts or the scheduler stops.
    bool addDriverlessQueue(const QString &name, const QByteArray &attributes, QString *why);
    // The pages that printer received, oldest first.
    QStringList driverlessPages() const;
    // Runs a CUPS command-line tool against the scheduler.
    bool run(const QString &program, const QStringList &arguments, QString *why,
             QString *output = nullptr);
    // Waits until no job is pending, then until the output files stop growing.
    bool waitForJobs(QString *why);

    QString folder() const { return dir_.path(); }
    QString outputOf(const QString &queue) const;
    // The document of job number job as the scheduler received it.
    QString spooledDocument(int job) const;

private:
    QTemporaryDir dir_;
    QProcess scheduler_;
    QProcess driverless_;
};

} // namespace quillane::test
