#include "archive/zip_probe.h"

#include "archive/zip_layout.h"

#include "platform/byte_cursor.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archives {

namespace {

constexpr quint32 LocalSig = 0x04034B50;
constexpr quint32 SpanSig = 0x08074B50;
constexpr quint32 CentralSig = 0x02014B50;
constexpr quint32 EndSig = 0x06054B50;
constexpr qint64 CentralHeaderSize = 46;
// An end record followed by the longest comment its 16-bit length allows.
constexpr qint64 SearchWindow = 65535 + ZipEndRecordSize;
constexpr int StartFlagsMask = 0x1F;

using platform::ByteCursor;

// A field past the end of `bytes` reads as 0, which no signature equals.
quint16 le16At(QByteArrayView bytes, qsizetype at) {
    return ByteCursor(bytes, at).u16();
}

quint32 le32At(QByteArrayView bytes, qsizetype at) {
    return ByteCursor(bytes, at).u32();
}

/// Reads pieces of the probed file. A piece past the end comes back short;
/// only a failing read marks the probe as failed. Plain descriptors and
/// pread: the scan probes every zip of a collection, and a QFile per probe
/// costs more than the reads.
class ProbeReader {
public:
    explicit ProbeReader(int fd) : fd_(fd) {}

    QByteArray readAt(qint64 offset, qint64 length) {
        if (failed_ || offset < 0)
            return {};
        QByteArray bytes(length, Qt::Uninitialized);
        qint64 got = 0;
        while (got < length) {
            const ssize_t n =
                ::pread(fd_, bytes.data() + got, size_t(length - got), off_t(offset + got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                failed_ = true;
                return {};
            }
            if (n == 0)
                break;
            got += n;
        }
        bytes.truncate(got);
        return bytes;
    }

    bool failed() const { return failed_; }

private:
    int fd_;
    bool failed_ = false;
};

/// Closes the probed file on every way out.
class ProbeFile {
public:
    explicit ProbeFile(const QString& path)
        : fd_(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
    ~ProbeFile() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    ProbeFile(const ProbeFile&) = delete;
    ProbeFile& operator=(const ProbeFile&) = delete;

    /// The size of a plain file; nullopt for anything else (a folder, a
    /// pipe that would block the scan, a device), which is not a zip.
    std::optional<qint64> plainSize() const {
        struct stat st {};
        if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))
            return std::nullopt;
        return qint64(st.st_size);
    }
    int fd() const { return fd_; }

private:
    int fd_;
};

/// The fields of an end-of-central-directory record that the probe uses.
struct EndRecord {
    quint16 disk;
    quint16 directoryDisk;
    quint32 directoryOffset;
    quint16 commentLength;

    /// `record` holds at least ZipEndRecordSize bytes.
    explicit EndRecord(QByteArrayView record)
        : disk(le16At(record, 4)), directoryDisk(le16At(record, 6)),
          directoryOffset(le32At(record, 16)), commentLength(le16At(record, 20)) {}
    bool spanned() const { return disk != directoryDisk; }
};

/// 0x40 when the end record points at a central header, plus 0x20 when
/// that entry lies on the record's disk and points at a local header.
int directoryFlags(ProbeReader& reader, const EndRecord& end) {
    const QByteArray central = reader.readAt(end.directoryOffset, CentralHeaderSize);
    if (central.size() != CentralHeaderSize || le32At(central, 0) != CentralSig)
        return 0;
    int flags = ZipProbeHasCentral;
    if (le16At(central, 34) == end.disk) {
        const QByteArray local = reader.readAt(le32At(central, 42), 4);
        if (le32At(local, 0) == LocalSig)
            flags |= ZipProbeHasLocal;
    }
    return flags;
}

} // namespace

int ZipProbe(const QString& path) {
    const ProbeFile file(path);
    const std::optional<qint64> plainSize = file.plainSize();
    if (!plainSize)
        return ZipProbeCannotOpen;
    ProbeReader reader(file.fd());
    const qint64 size = *plainSize;
    int flags = 0;

    const QByteArray head = reader.readAt(0, 4);
    if (reader.failed())
        return ZipProbeReadFailure;
    if (head.size() >= 2 && head[0] == 'M' && head[1] == 'Z')
        flags |= ZipProbeStartsExe;
    switch (le32At(head, 0)) {
    case LocalSig:
        flags |= ZipProbeStartsLocal;
        break;
    case SpanSig:
        flags |= ZipProbeStartsSpan;
        break;
    case CentralSig:
        flags |= ZipProbeStartsCentral;
        break;
    default:
        break;
    }

    bool endSeen = false;
    bool search = true;
    if (size >= ZipEndRecordSize) {
        const QByteArray tail = reader.readAt(size - ZipEndRecordSize, ZipEndRecordSize);
        if (tail.size() == ZipEndRecordSize && le32At(tail, 0) == EndSig) {
            const EndRecord end(tail);
            endSeen = true;
            flags |= ZipProbeHasEndRecord;
            if (end.commentLength == 0)
                flags |= ZipProbeNoComment;
            if (end.spanned()) {
                flags &= StartFlagsMask;
            } else {
                flags |= directoryFlags(reader, end);
                search = false;
            }
        }
    }

    if (search && !reader.failed()) {
        // A comment follows the end record (or the last record belongs to a
        // spanned set): look backwards for an earlier record.
        const qint64 windowStart = size > SearchWindow ? size - SearchWindow : 0;
        const QByteArray window = reader.readAt(windowStart, size - windowStart);
        for (qint64 p = qint64(window.size()) - ZipEndRecordSize; p >= 0; --p) {
            if (le32At(window, p) != EndSig)
                continue;
            const EndRecord end(QByteArrayView(window).sliced(p));
            endSeen = true;
            flags |= ZipProbeHasEndRecord;
            if (windowStart + p + ZipEndRecordSize + end.commentLength == size)
                flags |= ZipProbeNoComment;
            if (end.spanned()) {
                flags &= StartFlagsMask;
                continue;
            }
            flags |= directoryFlags(reader, end);
            break;
        }
    }

    if (reader.failed())
        return ZipProbeReadFailure;
    if (endSeen)
        flags |= ZipProbeHasEndRecord;
    return flags;
}

} // namespace archives
