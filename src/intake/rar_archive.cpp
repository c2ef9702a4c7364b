#include "intake/rar_archive.h"

#include "intake/rar_libarchive.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace intake {

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
    const qsizetype wide = boundedLength(header.FileNameW, std::size(header.FileNameW));
    if (wide > 0)
        return QString::fromWCharArray(header.FileNameW, wide);
    const qsizetype narrow = boundedLength(header.FileName, std::size(header.FileName));
    return QFile::decodeName(QByteArray(header.FileName, narrow));
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
    // The password answer lives only as long as this operation.
    struct Forget {
        QByteArray& bytes;
        ~Forget() {
            bytes.fill('\0');
            bytes.clear();
        }
    } forget{password_};

    if (Backend != RarBackend::LibarchiveOnly) {
        UnrarLibrary lib;
        if (lib.LoadUnrarLibrary(Path2UnrarDll, NameofUnrarDll)) {
            usedBackend_ = UsedBackend::Unrar;
            return runUnrar(lib, extract);
        }
        if (Backend == RarBackend::UnrarOnly)
            return rarcode::UnrarNotAvailable;
    }
    usedBackend_ = UsedBackend::Libarchive;
    return processRarWithLibarchive(
        ArchiveFileName, TargetDirectory, extract,
        [this, extract](const QString& name) { return announce(name, extract); });
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
    if (fileCopy) {
        const qsizetype n = boundedLength(header.RedirName, header.RedirNameSize);
        const QString source = normalisedRarEntryName(QString::fromWCharArray(header.RedirName, n));
        const RarEntryTarget target = prepareRarEntryTarget(TargetDirectory, name, false);
        const int skipped = lib.RARProcessFile(handle, RAR_SKIP, nullptr, nullptr);
        if (target.kind == RarEntryTarget::Fail)
            return rarcode::ECreate;
        if (skipped != 0 || target.kind == RarEntryTarget::Skip)
            return skipped;
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
    const bool existed = QFileInfo::exists(target.path);
    QByteArray destination = QFile::encodeName(target.path);
    const int r = lib.RARProcessFile(handle, RAR_EXTRACT, nullptr, destination.data());
    if (!isFolder) {
        if (r == 0)
            dropSpecialModeBits(target.path);
        else if (!existed || r == rarcode::BadData)
            QFile::remove(target.path);
    }
    return r;
}

void TdRar3::rethrowPending() {
    if (pending_) {
        std::exception_ptr e = pending_;
        pending_ = nullptr;
        std::rethrow_exception(e);
    }
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

} // namespace intake
