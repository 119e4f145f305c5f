// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/FileNames.h"

#include <QStringList>
#include <QUrl>

#include <dirent.h>
#include <sys/stat.h>

namespace quillane::fileNames {

namespace {

constexpr char16_t Escape = 0xDC00;

// The length of the valid UTF-8 sequence at the start of text, or 0.
qsizetype validSequence(QByteArrayView text)
{
    const auto byte = [&](qsizetype i) { return quint8(text[i]); };
    const quint8 lead = byte(0);
    if (lead < 0x80)
        return 1;
    const qsizetype length = lead >= 0xC2 && lead <= 0xDF   ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
    if (length == 0 || text.size() < length)
        return 0;
    for (qsizetype i = 1; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    // Overlong forms, surrogates and code points past U+10FFFF.
    const quint8 second = byte(1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

bool exists(const QString &path)
{
    struct stat info {};
    return ::lstat(toNative(path).constData(), &info) == 0;
}

// The one entry of folder whose name Qt decodes to shownName.
QString matchingEntry(const QString &folder, const QString &shownName)
{
    DIR *dir = ::opendir(toNative(folder.isEmpty() ? "/" : folder).constData());
    if (!dir)
        return {};
    QString match;
    int matches = 0;
    while (const dirent *entry = ::readdir(dir)) {
        if (QString::fromUtf8(entry->d_name) == shownName) {
            match = fromNative(entry->d_name);
            ++matches;
        }
    }
    ::closedir(dir);
    return matches == 1 ? match : QString();
}

} // namespace

QString fromNative(QByteArrayView name)
{
    QString result;
    result.reserve(name.size());
    qsizetype start = 0; // of the valid text not yet added
    for (qsizetype at = 0; at < name.size();) {
        const qsizetype length = validSequence(name.sliced(at));
        if (length > 0) {
            at += length;
            continue;
        }
        result += QString::fromUtf8(name.sliced(start, at - start));
        result += QChar(Escape + quint8(name[at]));
        start = ++at;
    }
    return result + QString::fromUtf8(name.sliced(start));
}

QByteArray toNative(const QString &name)
{
    QByteArray result;
    qsizetype start = 0;
    for (qsizetype at = 0; at < name.size(); ++at) {
        if (!isKeptByte(name, at))
            continue;
        result += QStringView(name).sliced(start, at - start).toUtf8();
        result += char(name[at].unicode() - Escape);
        start = at + 1;
    }
    return result + QStringView(name).sliced(start).toUtf8();
}

QString fromUrl(const QUrl &url)
{
    if (!url.isLocalFile())
        return url.toLocalFile();
    return fromNative(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QString onDisk(const QString &path)
{
    if (!path.contains(QChar::ReplacementCharacter) || exists(path))
        return path;
    const QStringList parts = path.split('/');
    QString resolved = parts.first();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        QString next = resolved + '/' + parts[i];
        if (parts[i].contains(QChar::ReplacementCharacter) && !exists(next)) {
            const QString entry = matchingEntry(resolved, parts[i]);
            if (entry.isEmpty())
                return path;
            next = resolved + '/' + entry;
        }
        resolved = next;
    }
    return resolved;
}

} // namespace quillane::fileNames
