#include "archive/zip_master.h"

#include "archive/safe_path.h"
#include "archive/zip_layout.h"
#include "platform/dialogs.h"
#include "platform/wildcard_mask.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPoint>
#include <QSet>

#include <zip.h>

#include <sys/stat.h>

#include <ctime>
#include <memory>
#include <mutex>

using namespace Qt::Literals::StringLiterals;

namespace archives {

namespace {

// Where the component's error box stands, from the main window's corner.
constexpr QPoint ErrorBoxOffset(50, 125);
// Extraction streams through a buffer of this size, whatever an entry claims.
constexpr qsizetype CopyBufferSize = 64 * 1024;

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ArchivePtr = std::unique_ptr<zip_t, ArchiveCloser>;

struct EntryCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using EntryPtr = std::unique_ptr<zip_file_t, EntryCloser>;

QString libzipText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

QString entryName(zip_t* archive, zip_uint64_t index) {
    return QString::fromUtf8(zip_get_name(archive, index, ZIP_FL_ENC_GUESS));
}

bool isLinkEntry(zip_t* archive, zip_uint64_t index) {
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0)
        return false;
    return system == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK;
}

bool isFolderEntry(const QString& name) {
    return name.endsWith(u'/') || name.endsWith(u'\\');
}

QString stripSlashes(const QString& path) {
    QString p = path;
    while (p.size() > 1 && p.endsWith(u'/'))
        p.chop(1);
    return p;
}

/// Makes the folders `parts` below `base` one at a time. Refuses a part
/// that exists as a link or a file, so nothing is written through a link.
/// `made` holds the folders this extraction has already checked or made.
bool makeFolders(const QString& base, const QStringList& parts, QSet<QString>& made,
                 QString* failed) {
    QString path = stripSlashes(base);
    for (const QString& part : parts) {
        path += u'/' + part;
        if (made.contains(path))
            continue;
        const QFileInfo info(path);
        if (info.isSymLink() || (info.exists() && !info.isDir()) ||
            (!info.exists() && !QDir().mkdir(path))) {
            *failed = path;
            return false;
        }
        made.insert(path);
    }
    return true;
}

/// libzip turns each entry's DOS time into a time_t with mktime() while it
/// reads a central directory; with TZ unset, glibc then reads the status of
/// /etc/localtime on every call, once per entry of every archive opened.
/// TZ=":/etc/localtime" names the same zone (Qt reads it as the system
/// zone too) and lets glibc keep what it has read. Set once, by the first
/// component made, before the program starts threads of its own.
void keepLocalTimeZoneLoaded() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (qEnvironmentVariableIsSet("TZ"))
            return;
        qputenv("TZ", ":/etc/localtime");
        ::tzset();
    });
}

} // namespace

/// The entries `fileSpecs` select (see the class comment), with the masks
/// compiled once for all entries of an archive.
class TZipMaster::Selection {
public:
    explicit Selection(const QStringList& fileSpecs)
        : all_(fileSpecs.isEmpty() || fileSpecs.first() == u"*.*"_s) {
        if (all_)
            return;
        for (const QString& fileSpec : fileSpecs)
            masks_.append(platform::WildcardMask(QString(fileSpec).replace(u'\\', u'/')));
    }

    bool selects(const QString& name) const {
        if (all_)
            return true;
        const QString stored = QString(name).replace(u'\\', u'/');
        for (const platform::WildcardMask& mask : masks_) {
            if (mask.matches(stored))
                return true;
        }
        return false;
    }

private:
    bool all_;
    QList<platform::WildcardMask> masks_;
};

TZipMaster::TZipMaster(platform::Dialogs* dialogs)
    : AddStoreSuffixes({u"gif"_s, u"png"_s, u"z"_s, u"zip"_s, u"zoo"_s, u"arc"_s, u"lzh"_s,
                        u"arj"_s, u"taz"_s, u"tgz"_s, u"lha"_s, u"rar"_s, u"ace"_s, u"cab"_s,
                        u"gz"_s, u"gzip"_s, u"jar"_s}),
      dialogs_(dialogs) {
    keepLocalTimeZoneLoaded();
}

void TZipMaster::begin() {
    errorCode_ = 0;
    errorText_.clear();
    successCount_ = 0;
}

bool TZipMaster::beginOperation(QStringList& fileSpecs) {
    begin();
    // Emptied on every way out: a name left behind would restrict the next
    // operation, and installs extract with an empty list.
    fileSpecs = FSpecArgs;
    FSpecArgs.clear();
    if (!zipFileName_.isEmpty())
        return true;
    fail(ZipErrNoArchiveName, u"No zip file name was given"_s);
    finish();
    return false;
}

void TZipMaster::fail(int code, const QString& text) {
    // The first failure of an operation is the one reported.
    if (errorCode_ != 0)
        return;
    errorCode_ = code;
    errorText_ = text;
}

void TZipMaster::finish() {
    if (errorCode_ != 0 && dialogs_ != nullptr && !Unattended)
        dialogs_->message(platform::MsgKind::Error, errorText_, platform::Ok, ErrorBoxOffset);
}

void TZipMaster::setZipFileName(const QString& path) {
    zipFileName_ = path;
    errorCode_ = 0;
    errorText_.clear();
    readDirectory(false);
    finish();
}

void TZipMaster::readDirectory(bool quiet) {
    entryNames_.clear();
    entryIsFile_.clear();
    if (zipFileName_.isEmpty())
        return;
    int code = 0;
    ArchivePtr archive(zip_open(QFile::encodeName(zipFileName_).constData(), ZIP_RDONLY, &code));
    // A missing archive is not an error here: Add creates it.
    if (!archive) {
        if (!quiet && code != ZIP_ER_NOENT)
            fail(ZipErrOpenArchive,
                 u"Cannot read the zip file\r"_s + zipFileName_ + u"\r"_s + libzipText(code));
        return;
    }
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const QString name = entryName(archive.get(), zip_uint64_t(i));
        entryNames_.append(name);
        entryIsFile_.append(!name.endsWith(u'/') && !name.endsWith(u'\\') &&
                            !isLinkEntry(archive.get(), zip_uint64_t(i)));
    }
}

int TZipMaster::Extract() {
    QStringList fileSpecs;
    if (!beginOperation(fileSpecs))
        return errorCode_;
    const QString base = ExtrBaseDir;
    if (!QFileInfo(base).isDir()) {
        if (base.isEmpty() || !ExtrOptions.testFlag(ExtrForceDirs))
            fail(ZipErrNoExtractDir, u"The extraction folder does not exist\r"_s + base);
        else if (!QDir().mkpath(base))
            fail(ZipErrMakeDir, u"Cannot create the folder\r"_s + base);
        if (errorCode_ != 0) {
            finish();
            return errorCode_;
        }
    }
    int code = 0;
    ArchivePtr archive(zip_open(QFile::encodeName(zipFileName_).constData(), ZIP_RDONLY, &code));
    if (!archive) {
        fail(ZipErrOpenArchive,
             u"Cannot read the zip file\r"_s + zipFileName_ + u"\r"_s + libzipText(code));
        finish();
        return errorCode_;
    }
    const QList<PlannedEntry> plan = planExtraction(archive.get(), Selection(fileSpecs), base);
    if (errorCode_ == 0) {
        QByteArray buffer(CopyBufferSize, Qt::Uninitialized);
        QSet<QString> madeFolders;
        for (const PlannedEntry& entry : plan)
            extractEntry(archive.get(), entry, base, buffer, madeFolders);
    }
    finish();
    return errorCode_;
}

QList<TZipMaster::PlannedEntry>
TZipMaster::planExtraction(zip_t* archive, const Selection& selection, const QString& base) {
    QList<PlannedEntry> plan;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count > Limits.maxEntries) {
        fail(ZipErrTooManyEntries,
             u"Nothing was extracted from\r"_s + zipFileName_ +
                 u"\rIt holds %1 entries, more than the %2 one archive may hold: it is damaged "
                 u"or made to do harm. Delete it, or ask its maker for a sound copy."_s.arg(count)
                     .arg(Limits.maxEntries));
        return plan;
    }
    if (zipEntriesOverlap(zipFileName_)) {
        fail(ZipErrOverlap,
             u"Nothing was extracted from\r"_s + zipFileName_ +
                 u"\rIts entries share their data, as an archive made to fill the disk does. "
                 u"Delete it, or ask its maker for a sound copy."_s);
        return plan;
    }
    // Every selected file is counted at its declared size before anything
    // is written; extractEntry then never writes more than that size.
    ExtractionBudget budget(Limits, base);
    for (zip_int64_t i = 0; i < count; ++i) {
        const zip_uint64_t at = zip_uint64_t(i);
        PlannedEntry entry{quint64(at), entryName(archive, at), -1};
        // A link entry's data is a path; writing it as a link could point a
        // later entry outside the base, so it is skipped.
        if (!selection.selects(entry.name) || isLinkEntry(archive, at) ||
            safeEntryParts(entry.name).isEmpty())
            continue;
        zip_stat_t stat;
        if (!isFolderEntry(entry.name) && zip_stat_index(archive, at, 0, &stat) == 0 &&
            (stat.valid & ZIP_STAT_SIZE) != 0) {
            entry.size = qint64(std::min<zip_uint64_t>(stat.size, INT64_MAX));
            budget.addFile(stat.size);
        }
        plan.append(entry);
    }
    const qint64 allowed = Limits.allowedBytes(QFileInfo(zipFileName_).size());
    if (budget.bytes() > allowed) {
        fail(ZipErrTooLarge, tooLargeText(zipFileName_, budget.bytes(), allowed, true));
        plan.clear();
    } else if (!budget.fits()) {
        fail(ZipErrNoSpace, u"Not enough free disk space to extract\r"_s + zipFileName_ + u"\r"_s +
                                budget.shortageText() +
                                u"\rNothing was extracted. Free some disk space and try again."_s);
        plan.clear();
    }
    return plan;
}

void TZipMaster::extractEntry(zip_t* archive, const PlannedEntry& planned, const QString& base,
                              QByteArray& buffer, QSet<QString>& madeFolders) {
    const QString& name = planned.name;
    const bool keepFolders = ExtrOptions.testFlag(ExtrDirNames);
    const QStringList parts = safeEntryParts(name);
    QString failedFolder;
    if (isFolderEntry(name)) {
        if (keepFolders && !makeFolders(base, parts, madeFolders, &failedFolder))
            fail(ZipErrMakeDir, u"Cannot create the folder\r"_s + failedFolder);
        return;
    }
    if (keepFolders &&
        !makeFolders(base, parts.mid(0, parts.size() - 1), madeFolders, &failedFolder)) {
        fail(ZipErrMakeDir, u"Cannot create the folder\r"_s + failedFolder);
        return;
    }
    const QString target = confinedTarget(base, name, keepFolders);
    const qint64 size = planned.size;
    if (OnItemProgress)
        OnItemProgress(name, size, 0);

    const QString cannotWrite = u"Cannot write the file\r"_s + target;
    const QString cannotExtract =
        u"Cannot extract\r"_s + name + u"\rfrom "_s + zipFileName_ + u"\r"_s;
    EntryPtr entry(zip_fopen_index(archive, zip_uint64_t(planned.index), 0));
    if (!entry || size < 0) {
        fail(ZipErrReadEntry, cannotExtract + QString::fromUtf8(zip_strerror(archive)));
        return;
    }
    // Written under a temporary name and renamed over the target: a link
    // standing there is replaced, not followed, and a failure leaves
    // neither a partial file nor a spoilt old one.
    PendingFile out(target);
    if (!out.open()) {
        fail(ZipErrWriteFile, cannotWrite + u"\r"_s + out.errorString());
        return;
    }
    qint64 written = 0;
    for (;;) {
        const zip_int64_t got = zip_fread(entry.get(), buffer.data(), zip_uint64_t(buffer.size()));
        if (got < 0) {
            fail(ZipErrReadEntry,
                 cannotExtract + QString::fromUtf8(zip_file_strerror(entry.get())));
            return;
        }
        if (got == 0)
            break;
        // libzip compares the sizes only at the end of the data, after all
        // of it was handed out: a bomb would fill the disk first.
        if (got > size - written) {
            fail(ZipErrEntryTooLarge,
                 cannotExtract +
                     u"Its data goes on past the %1 bytes its header declares: the archive is "
                     u"damaged or made to do harm. The file was not written."_s.arg(size));
            return;
        }
        if (out.file().write(buffer.constData(), got) != got) {
            fail(ZipErrWriteFile, cannotWrite + u"\r"_s + out.file().errorString());
            return;
        }
        written += got;
    }
    if (written != size) {
        fail(ZipErrReadEntry,
             cannotExtract +
                 u"Its data ends after %1 of the %2 bytes its header declares."_s.arg(written).arg(
                     size));
        return;
    }
    if (!out.commit()) {
        fail(ZipErrWriteFile, cannotWrite + u"\r"_s + out.errorString());
        return;
    }
    ++successCount_;
    if (OnItemProgress)
        OnItemProgress(name, size, 100);
}

bool TZipMaster::storedSuffix(const QString& name) const {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return false;
    const QString suffix = name.mid(dot + 1);
    return AddStoreSuffixes.contains(suffix, Qt::CaseInsensitive);
}

} // namespace archives
