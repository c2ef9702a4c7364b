// TZipMaster::Add: files matching FSpecArgs go into the archive under their
// bare names. libzip does the compression inside zip_close, so each file is
// handed over as a source that reports progress when libzip actually reads it.
#include "archive/zip_master.h"

#include "platform/file_helpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <zip.h>

#include <exception>

using namespace Qt::Literals::StringLiterals;

namespace archives {

namespace {

struct FileToAdd {
    QString path;
    QString name;
    qint64 size;
    time_t modified;
};

/// What the sources of one Add share.
struct AddRun {
    const TZipMaster::ItemProgress* progress = nullptr;
    int processed = 0;
    QString unreadable;        ///< first file that could not be read
    std::exception_ptr thrown; ///< an exception of the progress callback
};

/// One file as a libzip source. Owned by libzip once added (freed through
/// ZIP_SOURCE_FREE).
struct FileSource {
    FileToAdd file;
    AddRun* run;
    QFile input;
    bool done = false;
    zip_error_t error;

    FileSource(FileToAdd f, AddRun* r) : file(std::move(f)), run(r) { zip_error_init(&error); }
    ~FileSource() { zip_error_fini(&error); }

    bool report(int perCent) {
        if (!*run->progress)
            return true;
        try {
            (*run->progress)(file.path, file.size, perCent);
            return true;
        } catch (...) {
            // Exceptions must not cross libzip's C frames; rethrown after it.
            if (!run->thrown)
                run->thrown = std::current_exception();
            zip_error_set(&error, ZIP_ER_INTERNAL, 0);
            return false;
        }
    }

    zip_int64_t failRead(int code) {
        if (run->unreadable.isEmpty())
            run->unreadable = file.path;
        zip_error_set(&error, code, 0);
        return -1;
    }

    zip_int64_t command(void* data, zip_uint64_t length, zip_source_cmd_t cmd) {
        switch (cmd) {
        case ZIP_SOURCE_OPEN:
            input.setFileName(file.path);
            if (!input.open(QIODevice::ReadOnly))
                return failRead(ZIP_ER_OPEN);
            return report(0) ? 0 : -1;
        case ZIP_SOURCE_READ: {
            const qint64 got = input.read(static_cast<char*>(data), qint64(length));
            if (got < 0)
                return failRead(ZIP_ER_READ);
            if (got == 0 && !done) {
                done = true;
                ++run->processed;
                if (!report(100))
                    return -1;
            }
            return got;
        }
        case ZIP_SOURCE_CLOSE:
            input.close();
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &error);
            if (st == nullptr)
                return -1;
            zip_stat_init(st);
            st->size = zip_uint64_t(file.size);
            st->mtime = file.modified;
            st->comp_method = ZIP_CM_STORE;
            st->encryption_method = ZIP_EM_NONE;
            st->valid |=
                ZIP_STAT_SIZE | ZIP_STAT_MTIME | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
            return zip_int64_t(sizeof(zip_stat_t));
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&error, data, length);
        case ZIP_SOURCE_FREE:
            delete this;
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ,
                                                  ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }

    static zip_int64_t callback(void* state, void* data, zip_uint64_t length,
                                zip_source_cmd_t cmd) {
        return static_cast<FileSource*>(state)->command(data, length, cmd);
    }
};

/// The files that `fileSpecs` name: each is a path whose file-name part may hold
/// wildcards (matched ignoring case). Folders are skipped, and so is the
/// archive itself.
QList<FileToAdd> filesToAdd(const QStringList& fileSpecs, const QString& archivePath) {
    const QString archive = QFileInfo(archivePath).canonicalFilePath();
    QList<FileToAdd> files;
    for (const QString& fileSpec : fileSpecs) {
        const qsizetype slash = fileSpec.lastIndexOf(u'/');
        const QString folder = slash < 0    ? QDir::currentPath()
                               : slash == 0 ? u"/"_s
                                            : fileSpec.left(slash);
        const QString mask = fileSpec.mid(slash + 1);
        if (mask.isEmpty())
            continue;
        const QList<platform::FileEntry> entries = platform::listByMask(folder, mask);
        for (const platform::FileEntry& entry : entries) {
            const QFileInfo info(entry.path);
            if (entry.isDir || !info.isFile())
                continue;
            if (!archive.isEmpty() && info.canonicalFilePath() == archive)
                continue;
            files.append({entry.path, entry.name, info.size(),
                          time_t(info.lastModified().toSecsSinceEpoch())});
        }
    }
    return files;
}

} // namespace

int TZipMaster::Add() {
    QStringList fileSpecs;
    if (!beginOperation(fileSpecs))
        return errorCode_;
    const QList<FileToAdd> files = filesToAdd(fileSpecs, zipFileName_);
    if (files.isEmpty()) {
        fail(ZipErrNothingToAdd, u"Nothing to add to\r"_s + zipFileName_);
        finish();
        return errorCode_;
    }
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(zipFileName_).constData(), ZIP_CREATE, &code);
    if (archive == nullptr) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        fail(ZipErrCreateArchive, u"Cannot open or create the zip file\r"_s + zipFileName_ +
                                      u"\r"_s + QString::fromUtf8(zip_error_strerror(&error)));
        zip_error_fini(&error);
        finish();
        return errorCode_;
    }

    AddRun run;
    run.progress = &OnItemProgress;
    const int level = qBound(0, AddCompLevel, 9);
    for (const FileToAdd& file : files) {
        auto* state = new FileSource(file, &run);
        zip_source_t* source = zip_source_function(archive, &FileSource::callback, state);
        if (source == nullptr) {
            delete state;
            fail(ZipErrWriteArchive, u"Cannot write the zip file\r"_s + zipFileName_);
            break;
        }
        const QByteArray name = file.name.toUtf8();
        zip_int64_t index = zip_name_locate(archive, name.constData(), ZIP_FL_NOCASE);
        if (index >= 0) {
            // Same name ignoring case: the entry keeps its place and takes
            // the new content and spelling.
            if (zip_file_replace(archive, zip_uint64_t(index), source, 0) < 0)
                index = -1;
            else if (QString::fromUtf8(zip_get_name(archive, zip_uint64_t(index), 0)) != file.name)
                zip_file_rename(archive, zip_uint64_t(index), name.constData(), ZIP_FL_ENC_UTF_8);
        } else {
            index = zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_UTF_8);
        }
        if (index < 0) {
            zip_source_free(source);
            fail(ZipErrWriteArchive, u"Cannot write the zip file\r"_s + zipFileName_ + u"\r"_s +
                                         QString::fromUtf8(zip_strerror(archive)));
            break;
        }
        const bool store = level == 0 || storedSuffix(file.name);
        zip_set_file_compression(archive, zip_uint64_t(index),
                                 store ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                 store ? 0 : zip_uint32_t(level));
    }

    if (errorCode_ != 0) {
        zip_discard(archive);
    } else if (zip_close(archive) < 0) {
        const QString reason = QString::fromUtf8(zip_strerror(archive));
        zip_discard(archive);
        if (!run.unreadable.isEmpty())
            fail(ZipErrReadFile, u"Cannot read the file\r"_s + run.unreadable);
        else
            fail(ZipErrWriteArchive,
                 u"Cannot write the zip file\r"_s + zipFileName_ + u"\r"_s + reason);
    } else {
        successCount_ = run.processed;
        readDirectory(true);
    }
    if (run.thrown)
        std::rethrow_exception(run.thrown);
    finish();
    return errorCode_;
}

} // namespace archives
