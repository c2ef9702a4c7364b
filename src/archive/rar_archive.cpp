#include "archive/rar_archive.h"

#include "archive/rar_libarchive.h"
#include "archive/safe_path.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <vector>

using namespace Qt::Literals::StringLiterals;

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

/// What a result code means, for LastErrorText.
QString resultText(int code, const QString& archive, const QString& target) {
    const QString folder = target.isEmpty() ? u"the working folder"_s : target;
    switch (code) {
    case rarcode::Success:
    case rarcode::EndArchive:
        return {};
    case rarcode::NoMemory:
        return u"Not enough memory to read\r"_s + archive;
    case rarcode::BadData:
        return u"Damaged data in\r"_s + archive +
               u"\rA file failed its check and was not written (a wrong password shows the "
               u"same way)."_s;
    case rarcode::BadArchive:
        return archive + u"\ris not a rar archive, or it is damaged."_s;
    case rarcode::UnknownFormat:
        return archive + u"\rwas made in a rar format this program cannot read."_s;
    case rarcode::EOpen:
        return u"Cannot open\r"_s + archive + u"\r(or a part of it that is missing)"_s;
    case rarcode::ECreate:
        return u"Cannot create a file or folder below\r"_s + folder;
    case rarcode::ERead:
        return u"Cannot read\r"_s + archive;
    case rarcode::EWrite:
        return u"Cannot write below\r"_s + folder + u"\rThe disk may be full."_s;
    case rarcode::MissingPassword:
        return archive + u"\rneeds a password."_s;
    case rarcode::EReference:
        return u"A file of\r"_s + archive +
               u"\rrepeats another file of it, which was not extracted."_s;
    case rarcode::BadPassword:
        return u"The password for\r"_s + archive + u"\ris wrong."_s;
    case rarcode::UnrarNotAvailable:
        return u"The unrar library cannot be loaded."_s;
    case 255:
        return archive + u"\rends before all of its files were processed."_s;
    default:
        return u"Extracting\r"_s + archive + u"\rfailed (code %1)."_s.arg(code);
    }
}

/// How many entries the header scan keeps: all that the limit allows and
/// one more, so an archive past the limit shows.
qsizetype scanLimit(const ExtractionLimits& limits) {
    constexpr qint64 ListingEntries = 100000;
    constexpr qint64 MostEntries = 10000000;
    return qsizetype(
        std::max(ListingEntries, std::clamp<qint64>(limits.maxEntries, 0, MostEntries) + 1));
}

} // namespace

// ---- RarFileList -----------------------------------------------------------

qsizetype RarFileList::lowerBound(const QString& name) const {
    const auto it = std::lower_bound(names_.cbegin(), names_.cend(), name,
                                     [](const QString& a, const QString& b) {
                                         return QString::compare(a, b, Qt::CaseInsensitive) < 0;
                                     });
    return it - names_.cbegin();
}

void RarFileList::add(const QString& name) {
    const QString normalised = QString(name).replace(u'\\', u'/');
    const qsizetype at = lowerBound(normalised);
    if (at < names_.size() && QString::compare(names_.at(at), normalised, Qt::CaseInsensitive) == 0)
        return;
    names_.insert(at, normalised);
}

bool RarFileList::contains(const QString& name) const {
    const QString normalised = QString(name).replace(u'\\', u'/');
    const qsizetype at = lowerBound(normalised);
    return at < names_.size() &&
           QString::compare(names_.at(at), normalised, Qt::CaseInsensitive) == 0;
}

// ---- TdRar3 ----------------------------------------------------------------

int TdRar3::List() {
    return run(false);
}

int TdRar3::Extract() {
    return run(true);
}

int TdRar3::run(bool extract) {
    usedBackend_ = UsedBackend::None;
    passwordAsked_ = false;
    password_.clear();
    pending_ = nullptr;
    guard_.reset();
    lastErrorText_.clear();
    // The password answer lives only as long as this operation.
    struct Forget {
        QByteArray& bytes;
        ~Forget() {
            bytes.fill('\0');
            bytes.clear();
        }
    } forget{password_};

    const int result = runBackend(extract);
    lastErrorText_ = guard_ && guard_->stopCode() == result
                         ? guard_->reason()
                         : resultText(result, ArchiveFileName, TargetDirectory);
    guard_.reset();
    return result;
}

int TdRar3::runBackend(bool extract) {
    if (Backend != RarBackend::LibarchiveOnly) {
        UnrarLibrary lib;
        if (lib.LoadUnrarLibrary(Path2UnrarDll, NameofUnrarDll)) {
            usedBackend_ = UsedBackend::Unrar;
            if (extract) {
                if (const int refused =
                        checkHeaders(scanRarHeaders(ArchiveFileName, scanLimit(Limits))))
                    return refused;
            }
            return runUnrar(lib, extract);
        }
        if (Backend == RarBackend::UnrarOnly)
            return rarcode::UnrarNotAvailable;
    }
    usedBackend_ = UsedBackend::Libarchive;
    const RarHeaderFacts facts = scanRarHeaders(ArchiveFileName, scanLimit(Limits));
    if (extract) {
        if (const int refused = checkHeaders(facts))
            return refused;
    }
    return processRarWithLibarchive(
        ArchiveFileName, TargetDirectory, facts, guard_ ? &*guard_ : nullptr,
        [this, extract](const QString& name) { return announce(name, extract); });
}

int TdRar3::checkHeaders(const RarHeaderFacts& facts) {
    guard_.emplace(Limits, ArchiveFileName, TargetDirectory);
    return guard_->checkHeaders(facts, [this](const QString& name) {
        return FileListToProcess.isEmpty() || FileListToProcess.contains(name);
    });
}

RarEntryAction TdRar3::announce(const QString& entryName, bool extract) {
    if (!extract) {
        if (OnFileAboutToBeListed)
            OnFileAboutToBeListed(entryName);
        return RarEntryAction::Skip;
    }
    if (OnFileAboutToBeExtracted)
        OnFileAboutToBeExtracted(entryName);
    const bool selected = FileListToProcess.isEmpty() || FileListToProcess.contains(entryName);
    return selected ? RarEntryAction::Extract : RarEntryAction::Skip;
}

int TdRar3::runUnrar(const UnrarLibrary& lib, bool extract) {
    QByteArray archiveName = QFile::encodeName(ArchiveFileName);
    QByteArray comment(CommentBufferSize, '\0');
    RAROpenArchiveData open{};
    open.ArcName = archiveName.data();
    open.OpenMode = extract ? RAR_OM_EXTRACT : RAR_OM_LIST;
    open.CmtBuf = comment.data();
    open.CmtBufSize = static_cast<unsigned int>(comment.size());
    UnrarArchive archive(lib, lib.RAROpenArchive(&open));
    if (open.OpenResult != 0)
        return static_cast<int>(open.OpenResult);
    if (archive.handle() == nullptr)
        return rarcode::EOpen;
    lib.RARSetCallback(archive.handle(), UnrarCallback, unrarUserData(this));

    // About 14 KB: kept off the stack.
    auto header = std::make_unique<RARHeaderDataEx>();
    std::vector<wchar_t> redirName(1024);
    for (;;) {
        *header = RARHeaderDataEx{};
        std::fill(redirName.begin(), redirName.end(), L'\0');
        header->RedirName = redirName.data();
        header->RedirNameSize = static_cast<unsigned int>(redirName.size());
        const int read = lib.RARReadHeaderEx(archive.handle(), header.get());
        rethrowPending();
        if (read != 0)
            return read;
        if (guard_) {
            if (const int refused = guard_->countHeader())
                return refused;
        }
        const int r = processUnrarEntry(lib, archive.handle(), *header, extract);
        rethrowPending();
        if (r != 0)
            return (r == rarcode::EndArchive || r == 255) ? 255 : r;
    }
}

int TdRar3::processUnrarEntry(const UnrarLibrary& lib, void* handle, const RARHeaderDataEx& header,
                              bool extract) {
    // Links are skipped unseen: the library would create them itself. A
    // file copy is a file whose data is an earlier entry's: copied here,
    // since the library would look for that entry in the working folder.
    const bool fileCopy = header.RedirType == FSREDIR_FILECOPY;
    if (header.RedirType != 0 && !fileCopy)
        return lib.RARProcessFile(handle, RAR_SKIP, nullptr, nullptr);
    const QString name = normalisedRarEntryName(headerName(header));
    if (announce(name, extract) == RarEntryAction::Skip)
        return lib.RARProcessFile(handle, RAR_SKIP, nullptr, nullptr);
    const qint64 declared = declaredSize(header);
    if (fileCopy) {
        const qsizetype n = boundedLength(header.RedirName, header.RedirNameSize);
        const QString source = normalisedRarEntryName(QString::fromWCharArray(header.RedirName, n));
        const RarEntryTarget target = prepareRarEntryTarget(TargetDirectory, name, false);
        const int skipped = lib.RARProcessFile(handle, RAR_SKIP, nullptr, nullptr);
        if (target.kind == RarEntryTarget::Fail)
            return rarcode::ECreate;
        if (skipped != 0 || target.kind == RarEntryTarget::Skip)
            return skipped;
        if (const int refused = guard_ ? guard_->beginEntry(name, declared) : 0)
            return refused;
        return copyRarReference(TargetDirectory, source, target.path);
    }

    // The library gets the full, confined destination name: the stored
    // name never chooses where the file goes.
    const bool isFolder = (header.Flags & RHDF_DIRECTORY) != 0;
    const RarEntryTarget target = prepareRarEntryTarget(TargetDirectory, name, isFolder);
    if (target.kind == RarEntryTarget::Skip)
        return lib.RARProcessFile(handle, RAR_SKIP, nullptr, nullptr);
    if (target.kind == RarEntryTarget::Fail)
        return rarcode::ECreate;
    if (isFolder) {
        QByteArray destination = QFile::encodeName(target.path);
        return lib.RARProcessFile(handle, RAR_EXTRACT, nullptr, destination.data());
    }
    if (const int refused = guard_ ? guard_->beginEntry(name, declared) : 0)
        return refused;
    // The library writes a temporary file of ours, renamed over the target
    // once it is whole; on any failure it is removed and a file already at
    // the target stays as it was.
    PendingFile pending(target.path);
    if (!pending.open())
        return rarcode::ECreate;
    pending.file().close();
    QByteArray destination = QFile::encodeName(pending.tempPath());
    const int r = lib.RARProcessFile(handle, RAR_EXTRACT, nullptr, destination.data());
    if (guard_ && guard_->stopCode() != 0)
        return guard_->stopCode(); // the callback refused the data
    if (r != 0)
        return r;
    dropSpecialModeBits(pending.tempPath());
    return pending.commit() ? 0 : rarcode::ECreate;
}

void TdRar3::rethrowPending() {
    if (pending_) {
        std::exception_ptr e = pending_;
        pending_ = nullptr;
        std::rethrow_exception(e);
    }
}

bool TdRar3::unrarProcessData(qint64 bytes) {
    return !guard_ || guard_->data(bytes) == 0;
}

std::optional<QByteArray> TdRar3::unrarNarrowPassword() {
    // Called from inside the library: nothing may be thrown through it. A
    // failing handler cancels the request and is rethrown afterwards.
    if (pending_)
        return std::nullopt;
    if (!passwordAsked_) {
        passwordAsked_ = true;
        try {
            std::optional<QString> answer;
            if (OnReqPassword)
                answer = OnReqPassword();
            password_ = answer ? answer->toUtf8() : QByteArray();
        } catch (...) {
            pending_ = std::current_exception();
            return std::nullopt;
        }
    }
    return password_;
}

} // namespace archives
