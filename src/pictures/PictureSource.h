// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Failure.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace quillane::pictures {

// A picture file's bytes, read only as far as its decoder asks for them, so
// that a file whose data runs out or goes wrong early is neither read nor
// held any further; or bytes already in memory. What has been read stays in
// place until the source ends: decoders may keep pointers into it.
class Source {
public:
    // The chunk read at a time, beyond what is asked.
    static constexpr qint64 Chunk = qint64(1) << 20;

    // Bytes in memory: all are loaded.
    explicit Source(const QByteArray &bytes);
    // A regular file this program may read (followed through links, no larger
    // than limitBytes); failure() says why not. Nothing is read yet.
    Source(const QString &path, qint64 limitBytes);
    ~Source();
    Source(const Source &) = delete;
    Source &operator=(const Source &) = delete;

    // Why the file cannot be opened, or why reading it failed.
    const MaybeFailure &failure() const { return failure_; }
    // The file's size: where its data ends.
    qint64 size() const { return size_; }
    qint64 loaded() const { return bytes_.size(); }
    const uchar *data() const { return reinterpret_cast<const uchar *>(bytes_.constData()); }
    QByteArrayView view() const { return bytes_; }
    // Loads bytes up to end (and a chunk more, within the file); true when
    // bytes [0, end) are all in memory.
    bool load(qint64 end);
    // What has been read.
    QByteArray takeBytes();

private:
    QByteArray bytes_;
    int fd_ = -1;
    qint64 size_ = 0;
    QString path_;
    MaybeFailure failure_;
};

} // namespace quillane::pictures
