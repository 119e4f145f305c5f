// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pictures/PictureSource.h"

#include <QByteArrayView>

namespace quillane::pictures {

// Reads of a file's fields that never go past its end: callers ask has()
// first, which reads the file that far.
class Bytes {
public:
    explicit Bytes(QByteArrayView data) : data_(data) {}
    explicit Bytes(Source &source) : source_(&source) {}

    qint64 size() const { return source_ ? source_->size() : data_.size(); }
    bool has(qint64 at, qint64 count) const
    {
        return at >= 0 && count >= 0 && at <= size() && count <= size() - at &&
               (!source_ || source_->load(at + count));
    }
    quint32 u8(qint64 at) const
    {
        return source_ ? source_->data()[at] : quint8(data_[qsizetype(at)]);
    }
    quint32 le16(qint64 at) const { return u8(at) | u8(at + 1) << 8; }
    quint32 le32(qint64 at) const { return le16(at) | le16(at + 2) << 16; }
    quint32 be16(qint64 at) const { return u8(at) << 8 | u8(at + 1); }
    quint32 be32(qint64 at) const { return be16(at) << 16 | be16(at + 2); }

private:
    QByteArrayView data_;
    Source *source_ = nullptr;
};

} // namespace quillane::pictures
