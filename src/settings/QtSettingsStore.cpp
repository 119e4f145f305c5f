// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/QtSettingsStore.h"

#include "base/Failures.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace quillane {

namespace {

// How long a save waits for another program's hold on the lock: QSettings
// itself holds it for milliseconds, and the user is waiting on a click.
constexpr int LockWaitMs = 2000;

QString keyPath(const QString &section, const QString &key)
{
    return section + '/' + key;
}

// A hand-edited file can hold values that QSettings parses as lists or
// "@Type(...)" variants; every reader here wants plain text.
QString asText(const QVariant &value)
{
    if (!value.isValid())
        return {};
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(',');
    if (value.canConvert<QString>())
        return value.toString();
    return {};
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error)).toLower();
}

// The settings file as it really is: the regular file to read and write with
// links followed, or absent; otherwise what is wrong, completing "<path> ...".
struct Located {
    QString file;
    QString problem;
};

Located locate(const QString &path)
{
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(encoded.constData(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT)
            return {path, {}};
        if (error == ENOTDIR)
            return {{}, "cannot be reached: part of its folder is not a folder"};
        return {{}, "cannot be reached (" + systemReason(error) + ')'};
    }
    if (S_ISREG(info.st_mode))
        return {path, {}};
    if (!S_ISLNK(info.st_mode))
        return {{}, "is " + failures::fileKind(info.st_mode)};
    // A link is followed only to an existing regular file: a save must never
    // create a file where a link points, nor replace a pipe or a device.
    char *resolved = ::realpath(encoded.constData(), nullptr);
    if (!resolved) {
        const int error = errno;
        return {{},
                error == ENOENT
                    ? QString("is a link to nothing")
                    : "is a link that cannot be followed (" + systemReason(error) + ')'};
    }
    const QString target = QFile::decodeName(resolved);
    std::free(resolved);
    if (::stat(QFile::encodeName(target).constData(), &info) != 0)
        return {{}, "is a link that cannot be followed (" + systemReason(errno) + ')'};
    if (!S_ISREG(info.st_mode))
        return {{}, "is a link to " + failures::fileKind(info.st_mode)};
    return {target, {}};
}

bool mayWrite(const QString &path, int mode, int *error)
{
    if (::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), mode, AT_EACCESS) == 0)
        return true;
    *error = errno;
    return false;
}

struct WriteReason {
    int number;
    QString text;
};

// QSettings only says that a write failed; the user needs to know why.
WriteReason whyNotWritten(const QString &file)
{
    QString folder = QFileInfo(file).absolutePath();
    while (!QFileInfo::exists(folder) && folder != QLatin1String("/"))
        folder = QFileInfo(folder).absolutePath();
    int error = 0;
    if (!mayWrite(folder, W_OK | X_OK, &error))
        return {failures::PermissionDenied,
                error == EROFS ? "the disk is read-only" : "its folder is read-only"};
    if (QFileInfo::exists(file) && !mayWrite(file, W_OK, &error))
        return {failures::PermissionDenied,
                error == EROFS ? "the disk is read-only" : "the file is read-only"};
    struct statvfs space {};
    if (::statvfs(QFile::encodeName(folder).constData(), &space) == 0) {
        if (space.f_bavail == 0)
            return {failures::DiskFull, "the disk is full"};
        if (space.f_files > 0 && space.f_favail == 0)
            return {failures::DiskFull, "the disk has no room for another file"};
    }
    return {failures::FileAccess, "the system refused to write it"};
}

// QSettings waits for its lock without a limit, and a lock that is not a
// file never frees: look first, and wait only a bounded time.
std::optional<WriteReason> takeLock(QLockFile &lock, const QString &file)
{
    const QString lockPath = file + ".lock";
    const QString name = QFileInfo(lockPath).fileName();
    struct stat info {};
    if (::lstat(QFile::encodeName(lockPath).constData(), &info) == 0 && !S_ISREG(info.st_mode))
        return WriteReason{failures::FileAccess,
                           "its lock file " + name + " is " + failures::fileKind(info.st_mode)};
    if (lock.tryLock(LockWaitMs))
        return std::nullopt;
    if (lock.error() == QLockFile::LockFailedError)
        return WriteReason{failures::FileAccess, "another program holds its lock file " + name};
    return whyNotWritten(file);
}

// Whether the file, parsed afresh, holds exactly these values. QSettings
// answers from a cache kept per path, so the file is read through a path of
// its own.
bool holds(const QString &file, const QVariantMap &values)
{
    if (!QFileInfo::exists("/proc/self/fd"))
        return true;
    QFile opened(file);
    if (!opened.open(QIODevice::ReadOnly))
        return false;
    QSettings back(QString("/proc/self/fd/%1").arg(opened.handle()), QSettings::IniFormat);
    if (back.status() != QSettings::NoError || back.allKeys().size() != values.size())
        return false;
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (back.value(it.key()) != it.value())
            return false;
    }
    return true;
}

// QSettings reports a write that the disk cut short as a success, after it
// has already replaced the file. So it writes a copy beside the file, which
// is read back before it takes the file's place.
std::optional<WriteReason> replaceChecked(const QString &file, const QString &key,
                                          const QString &value)
{
    int error = 0;
    QFile current(file);
    const bool exists = current.exists();
    if (exists && !mayWrite(file, W_OK, &error))
        return whyNotWritten(file);
    if (exists && !current.open(QIODevice::ReadOnly))
        return whyNotWritten(file);
    const QByteArray original = exists ? current.readAll() : QByteArray();
    const QDateTime originalTime =
        exists ? current.fileTime(QFileDevice::FileModificationTime) : QDateTime();
    current.close();

    QTemporaryFile copy(file + ".XXXXXX");
    if (!copy.open() || copy.write(original) != original.size() || !copy.flush())
        return whyNotWritten(file);
    copy.close();
    QVariantMap values;
    {
        QSettings settings(copy.fileName(), QSettings::IniFormat);
        settings.setValue(key, value);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return whyNotWritten(file);
        for (const QString &each : settings.allKeys())
            values.insert(each, settings.value(each));
    }
    if (!holds(copy.fileName(), values))
        return whyNotWritten(file);

    QFile written(copy.fileName());
    written.setPermissions(exists ? current.permissions()
                                  : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                        QFile::ReadOther);
    // Readers trust their cached copy while the time and size stay the same.
    if (exists && written.open(QIODevice::ReadWrite) &&
        written.fileTime(QFileDevice::FileModificationTime) == originalTime)
        written.setFileTime(originalTime.addMSecs(1), QFileDevice::FileModificationTime);
    written.close();
    if (::rename(QFile::encodeName(copy.fileName()).constData(),
                 QFile::encodeName(file).constData()) != 0)
        return whyNotWritten(file);
    copy.setAutoRemove(false);
    return std::nullopt;
}

// Why a settings file that is there cannot be read, or nothing.
QString unreadable(const Located &found)
{
    if (!found.problem.isEmpty())
        return found.problem;
    if (!QFileInfo::exists(found.file))
        return {};
    QFile file(found.file);
    if (!file.open(QIODevice::ReadOnly))
        return "cannot be read (" + file.errorString().toLower() + ')';
    QSettings settings(found.file, QSettings::IniFormat);
    if (settings.status() == QSettings::FormatError)
        return "is damaged";
    if (settings.status() != QSettings::NoError)
        return "cannot be read";
    return {};
}

// Where app's settings file is, before links are followed.
QString filePath(const QString &app)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + '/' + app +
           '/' + app + ".conf";
}

QString memoryKey(const QString &app, const QString &section, const QString &key)
{
    return app + '/' + section + '/' + key;
}

} // namespace

MaybeFailure QtSettingsStore::open(const QString &app)
{
    const QString path = filePath(app);
    const QString problem = unreadable(locate(path));
    if (problem.isEmpty()) {
        inMemory_.remove(app);
        return std::nullopt;
    }
    inMemory_.insert(app);
    return failures::settingsUnusable(path, problem);
}

QString QtSettingsStore::get(const QString &app, const QString &section, const QString &key)
{
    if (inMemory_.contains(app))
        return memory_.value(memoryKey(app, section, key));
    const Located found = locate(filePath(app));
    // Whatever the path holds now, it holds no settings.
    if (!found.problem.isEmpty())
        return {};
    QSettings store(found.file, QSettings::IniFormat);
    return asText(store.value(keyPath(section, key)));
}

MaybeFailure QtSettingsStore::save(const QString &app, const QString &section, const QString &key,
                                   const QString &value)
{
    if (inMemory_.contains(app)) {
        memory_.insert(memoryKey(app, section, key), value);
        return std::nullopt;
    }
    const QString path = filePath(app);
    const Located found = locate(path);
    if (!found.problem.isEmpty())
        return failures::settingsNotSaved(path, failures::FileAccess, "it " + found.problem);
    QLockFile lock(found.file + ".lock");
    std::optional<WriteReason> failed = QDir().mkpath(QFileInfo(found.file).absolutePath())
                                            ? takeLock(lock, found.file)
                                            : whyNotWritten(found.file);
    if (!failed)
        failed = replaceChecked(found.file, keyPath(section, key), value);
    if (failed)
        return failures::settingsNotSaved(path, failed->number, failed->text);
    return std::nullopt;
}

} // namespace quillane
