#include "intake/zip_master.h"

#include "intake/safe_path.h"
#include "platform/dialogs.h"
#include "platform/file_helpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPoint>
#include <QSaveFile>

#include <zip.h>

#include <sys/stat.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace intake {

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

/// True when `fileSpecs` select the entry (see the class comment).
bool selected(const QStringList& fileSpecs, const QString& name) {
    if (fileSpecs.isEmpty() || fileSpecs.first() == u"*.*"_s)
        return true;
    QString stored = name;
    stored.replace(u'\\', u'/');
    for (const QString& fileSpec : fileSpecs) {
        QString mask = fileSpec;
        mask.replace(u'\\', u'/');
        if (platform::matchesMask(mask, stored))
            return true;
    }
    return false;
}

QString stripSlashes(const QString& path) {
    QString p = path;
    while (p.size() > 1 && p.endsWith(u'/'))
        p.chop(1);
    return p;
}

/// Makes the folders `parts` below `base` one at a time. Refuses a part
/// that exists as a link or a file, so nothing is written through a link.
bool makeFolders(const QString& base, const QStringList& parts, QString* failed) {
    QString path = stripSlashes(base);
    for (const QString& part : parts) {
        path += u'/' + part;
        const QFileInfo info(path);
        if (info.isSymLink() || (info.exists() && !info.isDir()) ||
            (!info.exists() && !QDir().mkdir(path))) {
            *failed = path;
            return false;
        }
    }
    return true;
}

} // namespace

TZipMaster::TZipMaster(platform::Dialogs* dialogs)
    : AddStoreSuffixes({u"gif"_s, u"png"_s, u"z"_s, u"zip"_s, u"zoo"_s, u"arc"_s, u"lzh"_s,
                        u"arj"_s, u"taz"_s, u"tgz"_s, u"lha"_s, u"rar"_s, u"ace"_s, u"cab"_s,
                        u"gz"_s, u"gzip"_s, u"jar"_s}),
      dialogs_(dialogs) {}

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
    for (zip_int64_t i = 0; i < count; ++i)
        entryNames_.append(entryName(archive.get(), zip_uint64_t(i)));
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
    QByteArray buffer(CopyBufferSize, Qt::Uninitialized);
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const QString name = entryName(archive.get(), zip_uint64_t(i));
        if (selected(fileSpecs, name))
            extractEntry(archive.get(), i, name, base, buffer);
    }
    finish();
    return errorCode_;
}

void TZipMaster::extractEntry(zip_t* archive, qint64 index, const QString& name,
                              const QString& base, QByteArray& buffer) {
    const zip_uint64_t at = zip_uint64_t(index);
    // A link entry's data is a path; writing it as a link could point a
    // later entry outside the base, so it is skipped.
    if (isLinkEntry(archive, at))
        return;
    const bool keepFolders = ExtrOptions.testFlag(ExtrDirNames);
    const QStringList parts = safeEntryParts(name);
    if (parts.isEmpty())
        return;
    QString failedFolder;
    if (isFolderEntry(name)) {
        if (keepFolders && !makeFolders(base, parts, &failedFolder))
            fail(ZipErrMakeDir, u"Cannot create the folder\r"_s + failedFolder);
        return;
    }
    if (keepFolders && !makeFolders(base, parts.mid(0, parts.size() - 1), &failedFolder)) {
        fail(ZipErrMakeDir, u"Cannot create the folder\r"_s + failedFolder);
        return;
    }
    const QString target = confinedTarget(base, name, keepFolders);

    zip_stat_t stat;
    const qint64 size =
        zip_stat_index(archive, at, 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) != 0
            ? qint64(stat.size)
            : -1;
    if (OnItemProgress)
        OnItemProgress(name, size, 0);

    const QString cannotWrite = u"Cannot write the file\r"_s + target;
    const QString cannotExtract =
        u"Cannot extract\r"_s + name + u"\rfrom "_s + zipFileName_ + u"\r"_s;
    // Replace a link standing at the target instead of writing through it.
    if (QFileInfo(target).isSymLink() && !QFile::remove(target)) {
        fail(ZipErrWriteFile, cannotWrite);
        return;
    }
    EntryPtr entry(zip_fopen_index(archive, at, 0));
    if (!entry) {
        fail(ZipErrReadEntry, cannotExtract + QString::fromUtf8(zip_strerror(archive)));
        return;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        fail(ZipErrWriteFile, cannotWrite + u"\r"_s + out.errorString());
        return;
    }
    for (;;) {
        const zip_int64_t got = zip_fread(entry.get(), buffer.data(), zip_uint64_t(buffer.size()));
        if (got < 0) {
            out.cancelWriting();
            fail(ZipErrReadEntry,
                 cannotExtract + QString::fromUtf8(zip_file_strerror(entry.get())));
            return;
        }
        if (got == 0)
            break;
        if (out.write(buffer.constData(), got) != got) {
            out.cancelWriting();
            fail(ZipErrWriteFile, cannotWrite + u"\r"_s + out.errorString());
            return;
        }
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

} // namespace intake
