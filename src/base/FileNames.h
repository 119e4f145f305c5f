// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QUrl;

// File names as the file system gives them. A name is any string of bytes;
// Qt decodes names as UTF-8 and loses the bytes that are not. Here such a
// byte b becomes the code point U+DC00 + b (a lone surrogate, which no
// UTF-8 text decodes to), so that a name survives the way from the file
// dialog to the open call byte for byte.
namespace quillane::fileNames {

QString fromNative(QByteArrayView name);
QByteArray toNative(const QString &name);
// A local file's URL with the bytes its percent-encoding keeps.
QString fromUrl(const QUrl &url);
// Whether name[at] stands for a byte (a lone surrogate from U+DC80 to U+DCFF).
inline bool isKeptByte(const QString &name, qsizetype at)
{
    const char16_t c = name[at].unicode();
    return c >= 0xDC80 && c <= 0xDCFF && (at == 0 || !name[at - 1].isHighSurrogate());
}

// For messages: the kept bytes and control characters as U+FFFD.
inline QString shown(const QString &name)
{
    QString result = name;
    for (qsizetype at = 0; at < result.size(); ++at)
        if (isKeptByte(name, at) || result[at].category() == QChar::Other_Control)
            result[at] = QChar::ReplacementCharacter;
    return result;
}
// A path as a dialog that decodes names as UTF-8 returns it, back to the
// bytes on disk: where it names nothing, each component with replacement
// characters is matched against its folder's entries. Unchanged when it
// names a file, or when no entry or more than one matches.
QString onDisk(const QString &path);

} // namespace quillane::fileNames
