#include "cache/package_stream.h"

#include "platform/errors.h"
#include "platform/io_errors.h"

#include <QIODevice>

#include <algorithm>

namespace cache {

namespace {
// Large enough that a table is a handful of reads, small enough to hold
// for any file.
constexpr qsizetype ChunkSize = 64 * 1024;
} // namespace

PackageStream::PackageStream(QIODevice& device, const QString& fileName)
    : device_(device), fileName_(fileName) {}

void PackageStream::seek(quint64 offset) {
    buffer_.clear();
    start_ = 0;
    pos_ = offset;
    // A device refuses (and may warn about) a seek beyond its end; there is
    // nothing to read there anyway.
    const qint64 size = device_.size();
    end_ = size < 0 || offset >= quint64(size);
    if (!end_ && !device_.seek(qint64(offset)))
        throw platform::Error(platform::readErrorText(fileName_, device_.errorString()));
}

platform::ByteCursor PackageStream::ahead(qsizetype n) {
    if (buffer_.size() - start_ < n && !end_)
        fill(n);
    return platform::ByteCursor(QByteArrayView(buffer_).sliced(start_));
}

void PackageStream::advance(qsizetype n) {
    n = std::clamp<qsizetype>(n, 0, buffer_.size() - start_);
    start_ += n;
    pos_ += quint64(n);
}

qsizetype PackageStream::find(quint8 b) {
    qsizetype searched = 0;
    qsizetype want = 256;
    for (;;) {
        const QByteArrayView view = QByteArrayView(buffer_).sliced(start_);
        const qsizetype at = view.sliced(searched).indexOf(char(b));
        if (at >= 0)
            return searched + at;
        searched = view.size();
        if (end_)
            return -1;
        // Doubling what is already there keeps the reads few, and the
        // buffer grows only as far as the file really has bytes.
        want = std::max(want, searched) * 2;
        fill(want);
    }
}

void PackageStream::fill(qsizetype n) {
    buffer_.remove(0, start_);
    start_ = 0;
    while (buffer_.size() < n && !end_) {
        const qsizetype old = buffer_.size();
        // What is asked for, at least a chunk, but never more than the
        // device still has: the buffer only grows by bytes that are there.
        const qint64 left = std::max<qint64>(device_.bytesAvailable(), 1);
        const qsizetype want = qsizetype(std::min<qint64>(std::max(n - old, ChunkSize), left));
        buffer_.resize(old + want);
        const qint64 got = device_.read(buffer_.data() + old, want);
        if (got < 0) {
            buffer_.resize(old);
            throw platform::Error(platform::readErrorText(fileName_, device_.errorString()));
        }
        buffer_.resize(old + qsizetype(got));
        end_ = got == 0;
    }
}

} // namespace cache
