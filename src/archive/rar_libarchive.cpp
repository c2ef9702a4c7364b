#include "archive/rar_libarchive.h"

#include "archive/rar_header_scan.h"
#include "archive/unrar_binding.h"

#include <QDir>
#include <QFile>

#include <archive.h>
#include <archive_entry.h>

#include <cwchar>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace archives {

namespace {

struct ArchiveFree {
    void operator()(archive* a) const { archive_read_free(a); }
};
using ReaderPtr = std::unique_ptr<archive, ArchiveFree>;

/// The entry's name. libarchive converts names through the current locale,
/// so under a plain "C" locale a non-ASCII name may come in no form at all;
/// the name decoded from the block header stands in then.
QString readerEntryName(archive_entry* entry, const RarHeaderFacts::Entry* facts) {
    if (const char* utf8 = archive_entry_pathname_utf8(entry))
        return QString::fromUtf8(utf8);
    if (const wchar_t* wide = archive_entry_pathname_w(entry))
        return QString::fromWCharArray(wide, static_cast<qsizetype>(std::wcslen(wide)));
    if (const char* raw = archive_entry_pathname(entry))
        return QFile::decodeName(raw);
    return facts != nullptr ? facts->name : QString();
}

bool isLink(archive_entry* entry) {
    return archive_entry_filetype(entry) == AE_IFLNK || archive_entry_hardlink(entry) != nullptr ||
           archive_entry_symlink(entry) != nullptr;
}

/// One libarchive run over one archive, with what the block headers said.
class Run {
public:
    Run(archive* a, const RarHeaderFacts& facts, RarExtractGuard* guard)
        : a_(a), facts_(facts), guard_(guard) {}

    /// The header facts of the entry just read (its index counted over all
    /// entries), when they agree with what libarchive read.
    void nextEntry(archive_entry* entry) {
        current_.reset();
        const qsizetype i = index_++;
        if (i >= facts_.entries.size())
            return;
        const RarHeaderFacts::Entry& facts = facts_.entries.at(i);
        const bool folder = archive_entry_filetype(entry) == AE_IFDIR;
        const bool sameSize = !facts.sizeKnown || !archive_entry_size_is_set(entry) ||
                              quint64(archive_entry_size(entry)) == facts.unpackedSize;
        if (folder == facts.folder && sameSize)
            current_ = facts;
    }

    const RarHeaderFacts::Entry* facts() const { return current_ ? &*current_ : nullptr; }

    bool encrypted(archive_entry* entry) const {
        return archive_entry_is_data_encrypted(entry) || (current_ && current_->encrypted);
    }

    /// A failed header read: encrypted headers say so, anything else is
    /// damage.
    int headerFailureCode() const {
        return facts_.headersEncrypted || archive_read_has_encrypted_entries(a_) > 0
                   ? rarcode::MissingPassword
                   : rarcode::BadArchive;
    }

    int extract(archive_entry* entry, const QString& targetDir, const QString& name) {
        const bool isFolder = archive_entry_filetype(entry) == AE_IFDIR;
        const RarEntryTarget target = prepareRarEntryTarget(targetDir, name, isFolder);
        if (target.kind == RarEntryTarget::Skip)
            return skip();
        if (target.kind == RarEntryTarget::Fail)
            return rarcode::ECreate;
        if (isFolder)
            return QDir().mkpath(target.path) ? rarcode::Success : rarcode::ECreate;
        if (encrypted(entry))
            return rarcode::MissingPassword;
        if (const int refused = guard_->beginEntry(name, declaredSize(entry)))
            return refused;
        if (current_ && !current_->copyOf.isEmpty()) {
            // libarchive gives a file copy as an empty file.
            const int r = skip();
            return r != rarcode::Success
                       ? r
                       : copyRarReference(targetDir, normalisedRarEntryName(current_->copyOf),
                                          target.path);
        }
        // No half-written or damaged file is left for the callers, and a
        // file already at the target is replaced only by a whole one.
        PendingFile out(target.path);
        if (!out.open())
            return rarcode::ECreate;
        const int r = copyData(entry, out.file());
        if (r != rarcode::Success)
            return r;
        return out.commit() ? rarcode::Success : rarcode::EWrite;
    }

    int skip() {
        return archive_read_data_skip(a_) == ARCHIVE_OK ? rarcode::Success : rarcode::BadArchive;
    }

private:
    /// The size the headers declare; -1 when neither libarchive nor the
    /// block header knows it.
    qint64 declaredSize(archive_entry* entry) const {
        if (archive_entry_size_is_set(entry))
            return archive_entry_size(entry);
        if (current_ && current_->sizeKnown)
            return qint64(std::min<quint64>(current_->unpackedSize, INT64_MAX));
        return -1;
    }

    int copyData(archive_entry* entry, QFile& out) {
        char buffer[65536];
        quint64 written = 0;
        quint32 crc = 0;
        for (;;) {
            const la_ssize_t n = archive_read_data(a_, buffer, sizeof buffer);
            if (n == 0)
                break;
            if (n < 0)
                return encrypted(entry) ? rarcode::MissingPassword : rarcode::BadData;
            // libarchive hands out a stored entry's packed bytes, however
            // many its header claims the file has.
            if (const int refused = guard_->data(n))
                return refused;
            if (out.write(buffer, n) != n)
                return rarcode::EWrite;
            crc = rarCrc32Update(crc, buffer, n);
            written += quint64(n);
        }
        if (!out.flush())
            return rarcode::EWrite;
        // libarchive neither checks the CRC of stored data nor notices
        // that a file goes on in a volume it does not have.
        if (archive_entry_size_is_set(entry) && written != quint64(archive_entry_size(entry)))
            return rarcode::BadData;
        if (current_ && current_->crc && *current_->crc != crc)
            return rarcode::BadData;
        return rarcode::Success;
    }

    archive* a_;
    const RarHeaderFacts& facts_;
    RarExtractGuard* guard_;
    qsizetype index_ = 0;
    std::optional<RarHeaderFacts::Entry> current_;
};

} // namespace

int processRarWithLibarchive(const QString& archivePath, const QString& targetDir,
                             const RarHeaderFacts& facts, RarExtractGuard* guard,
                             const RarEntryHandler& onEntry) {
    // libarchive takes an empty name for standard input.
    if (archivePath.isEmpty())
        return rarcode::BadArchive;
    ReaderPtr a(archive_read_new());
    if (!a)
        return rarcode::NoMemory;
    archive_read_support_format_rar(a.get());
    archive_read_support_format_rar5(a.get());
    if (archive_read_open_filename(a.get(), QFile::encodeName(archivePath).constData(), 65536) !=
        ARCHIVE_OK)
        return rarcode::BadArchive;
    Run run(a.get(), facts, guard);

    for (;;) {
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(a.get(), &entry);
        if (r == ARCHIVE_EOF)
            return rarcode::EndArchive;
        if (r < ARCHIVE_WARN || entry == nullptr)
            return run.headerFailureCode();
        run.nextEntry(entry);
        if (guard != nullptr) {
            if (const int refused = guard->countHeader())
                return refused;
        }
        if (isLink(entry)) {
            // Links are never created; the entry is passed over unseen.
            if (run.skip() != rarcode::Success)
                return rarcode::BadArchive;
            continue;
        }
        const QString name = normalisedRarEntryName(readerEntryName(entry, run.facts()));
        const RarEntryAction action = onEntry ? onEntry(name) : RarEntryAction::Skip;
        const int result = guard != nullptr && action == RarEntryAction::Extract
                               ? run.extract(entry, targetDir, name)
                               : run.skip();
        if (result != rarcode::Success)
            return result;
    }
}

} // namespace archives
