#pragma once

#include "platform/byte_cursor.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QIODevice;

namespace cache {

/// Reads a package's tables from a random-access device: one seek per
/// table, then sequential reads in chunks. Only a small window of the file
/// is held, however large the file or the counts in it, and a request for
/// more bytes than the file has shows fewer instead of reading past it.
/// Read and seek errors of the device throw platform::Error naming the file.
class PackageStream {
public:
    PackageStream(QIODevice& device, const QString& fileName);

    /// Goes to an absolute offset; at or beyond the end nothing is left to read.
    void seek(quint64 offset);
    /// The absolute position of the next unread byte.
    quint64 pos() const { return pos_; }
    /// A cursor over the unread bytes: at least `n` of them unless the
    /// device ends first. It is valid until the next call on the stream.
    platform::ByteCursor ahead(qsizetype n);
    /// Consumes `n` bytes that ahead() has shown.
    void advance(qsizetype n);
    /// The distance from the position to the next byte `b`, or -1 when the
    /// device ends first. Reads on only as far as the byte is looked for.
    qsizetype find(quint8 b);

private:
    void fill(qsizetype n);

    QIODevice& device_;
    QString fileName_;
    QByteArray buffer_;
    qsizetype start_ = 0; ///< first unread byte in buffer_
    quint64 pos_ = 0;
    bool end_ = true;
};

} // namespace cache
