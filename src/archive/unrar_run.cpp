#include "archive/unrar_run.h"

#include "archive/rar_header_scan.h"
#include "archive/safe_path.h"

#include <QFile>
#include <QScopeGuard>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace archives {

namespace {

constexpr qsizetype CommentBufferSize = 65535;

template <typename Char> qsizetype boundedLength(const Char* text, qsizetype capacity) {
    qsizetype n = 0;
    while (n < capacity && text[n] != 0)
        ++n;
    return n;
}

/// The entry name of a header: the wide name, which the library has decoded
/// from the archive's own encoding; the narrow one only when that is empty.
QString headerName(const RARHeaderDataEx& header) {
    const qsizetype wide =
        boundedLength(header.FileNameW, static_cast<qsizetype>(std::size(header.FileNameW)));
    if (wide > 0)
        return QString::fromWCharArray(header.FileNameW, wide);
    const qsizetype narrow =
        boundedLength(header.FileName, static_cast<qsizetype>(std::size(header.FileName)));
    return QFile::decodeName(QByteArray(header.FileName, narrow));
}

/// The unpacked size the header declares; -1 when it does not know it (a
/// file archived from a pipe), which the library marks with 0x7fffffff in
/// both halves.
qint64 declaredSize(const RARHeaderDataEx& header) {
    constexpr quint64 Unknown = 0x7fffffff7fffffffULL;
    const quint64 size = quint64(header.UnpSizeHigh) << 32 | header.UnpSize;
    return size >= Unknown ? -1 : qint64(size);
}

} // namespace

UnrarRun::UnrarRun(const UnrarLibrary& lib, const UnrarJob& job, EntryHook onEntry,
                   PasswordHook password)
    : lib_(lib), job_(job), onEntry_(std::move(onEntry)), password_(std::move(password)) {}

UnrarRun::~UnrarRun() {
    // The password answer lives only as long as the run.
    forgetPassword();
}

UnrarJobResult UnrarRun::run() {
    passwordAsked_ = false;
    forgetPassword();
    pending_ = nullptr;
    guard_.reset();
    UnrarJobResult result;
    if (job_.extract) {
        guard_.emplace(job_.limits, job_.archive, job_.target);
        result.code = guard_->checkHeaders(
            scanRarHeaders(job_.archive, rarScanLimit(job_.limits)), [this](const QString& name) {
                return job_.only.isEmpty() || job_.only.contains(name);
            });
    }
    if (result.code == 0)
        result.code = runLibrary();
    if (guard_ && guard_->stopCode() == result.code)
        result.reason = guard_->reason();
    return result;
}

int UnrarRun::runLibrary() {
    QByteArray archiveName = QFile::encodeName(job_.archive);
    QByteArray comment(CommentBufferSize, '\0');
    RAROpenArchiveData open{};
    open.ArcName = archiveName.data();
    open.OpenMode = job_.extract ? RAR_OM_EXTRACT : RAR_OM_LIST;
    open.CmtBuf = comment.data();
    open.CmtBufSize = static_cast<unsigned int>(comment.size());
    UnrarArchive archive(lib_, lib_.RAROpenArchive(&open));
    if (open.OpenResult != 0)
        return static_cast<int>(open.OpenResult);
    if (archive.handle() == nullptr)
        return rarcode::EOpen;
    lib_.RARSetCallback(archive.handle(), UnrarCallback, unrarUserData(this));

    // About 14 KB: kept off the stack.
    auto header = std::make_unique<RARHeaderDataEx>();
    std::vector<wchar_t> redirName(1024);
    for (;;) {
        *header = RARHeaderDataEx{};
        std::fill(redirName.begin(), redirName.end(), L'\0');
        header->RedirName = redirName.data();
        header->RedirNameSize = static_cast<unsigned int>(redirName.size());
        const int read = lib_.RARReadHeaderEx(archive.handle(), header.get());
        rethrowPending();
        if (read != 0)
            return read;
        if (guard_) {
            if (const int refused = guard_->countHeader())
                return refused;
        }
        const int r = processEntry(archive.handle(), *header);
        rethrowPending();
        if (r != 0)
            return (r == rarcode::EndArchive || r == 255) ? 255 : r;
    }
}

int UnrarRun::processEntry(void* handle, const RARHeaderDataEx& header) {
    // Links are skipped unseen: the library would create them itself. A
    // file copy is a file whose data is an earlier entry's: copied here,
    // since the library would look for that entry in the working folder.
    const bool fileCopy = header.RedirType == FSREDIR_FILECOPY;
    if (header.RedirType != 0 && !fileCopy)
        return lib_.RARProcessFile(handle, RAR_SKIP, nullptr, nullptr);
    const QString name = normalisedRarEntryName(headerName(header));
    if (onEntry_)
        onEntry_(name);
    if (!job_.extract || !(job_.only.isEmpty() || job_.only.contains(name)))
        return lib_.RARProcessFile(handle, RAR_SKIP, nullptr, nullptr);
    const qint64 declared = declaredSize(header);
    if (fileCopy) {
        const qsizetype n = boundedLength(header.RedirName, header.RedirNameSize);
        const QString source = normalisedRarEntryName(QString::fromWCharArray(header.RedirName, n));
        const RarEntryTarget target = prepareRarEntryTarget(job_.target, name, false);
        const int skipped = lib_.RARProcessFile(handle, RAR_SKIP, nullptr, nullptr);
        if (target.kind == RarEntryTarget::Fail)
            return rarcode::ECreate;
        if (skipped != 0 || target.kind == RarEntryTarget::Skip)
            return skipped;
        if (const int refused = guard_->beginEntry(name, declared))
            return refused;
        return copyRarReference(job_.target, source, target.path);
    }

    // The library gets the full, confined destination name: the stored
    // name never chooses where the file goes.
    const bool isFolder = (header.Flags & RHDF_DIRECTORY) != 0;
    const RarEntryTarget target = prepareRarEntryTarget(job_.target, name, isFolder);
    if (target.kind == RarEntryTarget::Skip)
        return lib_.RARProcessFile(handle, RAR_SKIP, nullptr, nullptr);
    if (target.kind == RarEntryTarget::Fail)
        return rarcode::ECreate;
    if (isFolder) {
        QByteArray destination = QFile::encodeName(target.path);
        return lib_.RARProcessFile(handle, RAR_EXTRACT, nullptr, destination.data());
    }
    if (const int refused = guard_->beginEntry(name, declared))
        return refused;
    // The library writes a temporary file of ours, renamed over the target
    // once it is whole; on any failure it is removed and a file already at
    // the target stays as it was.
    // Declared first, so it runs last: by then the temporary file is
    // renamed or removed, whichever way this entry ends.
    const auto done = qScopeGuard([this] {
        if (partial_)
            partial_({});
    });
    PendingFile pending(target.path);
    if (!pending.open())
        return rarcode::ECreate;
    pending.file().close();
    QByteArray destination = QFile::encodeName(pending.tempPath());
    if (partial_)
        partial_(destination);
    const int r = lib_.RARProcessFile(handle, RAR_EXTRACT, nullptr, destination.data());
    if (guard_->stopCode() != 0)
        return guard_->stopCode(); // the callback refused the data
    if (r != 0)
        return r;
    dropSpecialModeBits(pending.tempPath());
    return pending.commit() ? 0 : rarcode::ECreate;
}

void UnrarRun::rethrowPending() {
    if (pending_) {
        std::exception_ptr e = pending_;
        pending_ = nullptr;
        std::rethrow_exception(e);
    }
}

bool UnrarRun::unrarProcessData(qint64 bytes) {
    return !guard_ || guard_->data(bytes) == 0;
}

std::optional<QByteArray> UnrarRun::unrarNarrowPassword() {
    // Called from inside the library: nothing may be thrown through it. A
    // failing hook cancels the request and is rethrown afterwards.
    if (pending_)
        return std::nullopt;
    if (!passwordAsked_) {
        passwordAsked_ = true;
        try {
            if (password_)
                passwordAnswer_ = password_();
        } catch (...) {
            pending_ = std::current_exception();
            return std::nullopt;
        }
    }
    return passwordAnswer_;
}

void UnrarRun::forgetPassword() {
    if (passwordAnswer_)
        passwordAnswer_->fill('\0');
    passwordAnswer_.reset();
}

} // namespace archives
