#include "archive/unrar_helper_protocol.h"

#include <QtEndian>

using namespace Qt::Literals::StringLiterals;

namespace archives::unrar_helper {

namespace {

bool knownType(char type) {
    switch (static_cast<Frame>(type)) {
    case Frame::Listed:
    case Frame::Extracting:
    case Frame::Password:
    case Frame::Answer:
    case Frame::Result:
        return true;
    }
    return false;
}

const QString ListMode = u"list"_s;
const QString ExtractMode = u"extract"_s;
const QString ArchiveKey = u"--archive"_s;
const QString TargetKey = u"--target"_s;
const QString OnlyKey = u"--only"_s;
const QString MaxEntriesKey = u"--max-entries"_s;
const QString FreeSpaceKey = u"--free-space"_s;
const QString MaxBytesKey = u"--max-bytes"_s;
const QString MaxRatioKey = u"--max-ratio"_s;
const QString LibraryFolderKey = u"--library-folder"_s;
const QString LibraryNameKey = u"--library-name"_s;
const QString ParentKey = u"--parent"_s;

} // namespace

QByteArray frame(Frame type, QByteArrayView payload) {
    QByteArray out(HeaderSize, '\0');
    out[0] = static_cast<char>(type);
    qToLittleEndian(static_cast<quint32>(payload.size()), out.data() + 1);
    out.append(payload);
    return out;
}

QByteArray resultFrame(int code, const QString& reason) {
    QByteArray payload(4, '\0');
    qToLittleEndian(static_cast<qint32>(code), payload.data());
    // Cut to what a frame may carry, at a character boundary.
    QString text = reason.left(MaxPayload / 4);
    payload.append(text.toUtf8());
    return frame(Frame::Result, payload);
}

std::optional<ResultPayload> parseResult(QByteArrayView payload) {
    if (payload.size() < 4)
        return std::nullopt;
    ResultPayload r;
    r.code = qFromLittleEndian<qint32>(payload.data());
    r.reason = QString::fromUtf8(payload.sliced(4));
    return r;
}

void FrameReader::append(QByteArrayView bytes) {
    if (broken_)
        return;
    // What was consumed goes before more is added: a reader drained with
    // `next` holds less than one frame and the bytes of this call.
    if (start_ > 0) {
        buffer_.remove(0, start_);
        start_ = 0;
    }
    buffer_.append(bytes);
}

std::optional<FrameReader::Item> FrameReader::next() {
    if (broken_ || buffer_.size() - start_ < HeaderSize)
        return std::nullopt;
    const char* head = buffer_.constData() + start_;
    const quint32 length = qFromLittleEndian<quint32>(head + 1);
    if (!knownType(head[0]) || length > quint32(MaxPayload)) {
        broken_ = true;
        buffer_.clear();
        start_ = 0;
        return std::nullopt;
    }
    if (buffer_.size() - start_ - HeaderSize < qsizetype(length))
        return std::nullopt;
    Item item{static_cast<Frame>(head[0]), buffer_.mid(start_ + HeaderSize, qsizetype(length))};
    start_ += HeaderSize + qsizetype(length);
    return item;
}

QStringList arguments(const Request& request) {
    const UnrarJob& job = request.job;
    QStringList args{job.extract ? ExtractMode : ListMode,
                     ArchiveKey,
                     job.archive,
                     LibraryFolderKey,
                     request.libraryFolder,
                     LibraryNameKey,
                     request.libraryName};
    if (request.parent)
        args << ParentKey << QString::number(*request.parent);
    if (!job.extract)
        return args;
    args << TargetKey << job.target << MaxEntriesKey << QString::number(job.limits.maxEntries)
         << MaxBytesKey << QString::number(job.limits.maxBytes) << MaxRatioKey
         << QString::number(job.limits.maxRatio);
    if (request.freeSpace)
        args << FreeSpaceKey << QString::number(*request.freeSpace);
    for (const QString& name : job.only.items())
        args << OnlyKey << name;
    return args;
}

std::optional<Request> parseArguments(const QStringList& args) {
    if (args.isEmpty() || (args.first() != ListMode && args.first() != ExtractMode))
        return std::nullopt;
    Request request;
    UnrarJob& job = request.job;
    job.extract = args.first() == ExtractMode;
    bool haveArchive = false;
    // Every option has its value in the next argument, which may itself
    // begin with "-" (a file name).
    for (qsizetype i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            return std::nullopt;
        const QString& key = args.at(i);
        const QString& value = args.at(i + 1);
        bool ok = true;
        if (key == ArchiveKey) {
            job.archive = value;
            haveArchive = true;
        } else if (key == TargetKey) {
            job.target = value;
        } else if (key == OnlyKey) {
            job.only.add(value);
        } else if (key == MaxEntriesKey) {
            job.limits.maxEntries = value.toLongLong(&ok);
        } else if (key == MaxBytesKey) {
            job.limits.maxBytes = value.toLongLong(&ok);
        } else if (key == MaxRatioKey) {
            job.limits.maxRatio = value.toLongLong(&ok);
        } else if (key == ParentKey) {
            request.parent = value.toLongLong(&ok);
        } else if (key == FreeSpaceKey) {
            request.freeSpace = value.toLongLong(&ok);
        } else if (key == LibraryFolderKey) {
            request.libraryFolder = value;
        } else if (key == LibraryNameKey) {
            request.libraryName = value;
        } else {
            return std::nullopt;
        }
        if (!ok)
            return std::nullopt;
    }
    if (!haveArchive)
        return std::nullopt;
    if (request.freeSpace) {
        const qint64 free = *request.freeSpace;
        job.limits.freeSpace = [free](const QString&) { return free; };
    }
    return request;
}

} // namespace archives::unrar_helper
