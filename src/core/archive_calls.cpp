#include "core/archive_calls.h"

#include "archive/rar_archive.h"
#include "archive/zip_master.h"
#include "platform/dialogs.h"
#include "platform/file_helpers.h"
#include "platform/status_sink.h"

using namespace Qt::Literals::StringLiterals;

namespace core {

namespace {

/// The zip component's options and events as a call found them; put back
/// when the call ends, however it ends.
class ZipCall {
public:
    /// `noBoxes`: the component shows no error box; `noStatus`: no progress;
    /// `prefix` goes before each file name in the status.
    ZipCall(CommandContext& ctx, bool noBoxes, bool noStatus, const QString& prefix = {})
        : zip_(ctx.zip), options_(zip_.ExtrOptions), base_(zip_.ExtrBaseDir),
          unattended_(zip_.Unattended), progress_(zip_.OnItemProgress),
          maxBytes_(zip_.Limits.maxBytes) {
        zip_.FSpecArgs.clear();
        zip_.Unattended = noBoxes || zip_.Unattended;
        zip_.OnItemProgress = [&ctx, noStatus, prefix](const QString& item, qint64, int) {
            if (!noStatus)
                ctx.status.setStatus(prefix + platform::fileNamePart(item));
        };
    }
    ~ZipCall() {
        zip_.FSpecArgs.clear();
        zip_.ExtrOptions = options_;
        zip_.ExtrBaseDir = base_;
        zip_.Unattended = unattended_;
        zip_.OnItemProgress = progress_;
        zip_.Limits.maxBytes = maxBytes_;
    }
    ZipCall(const ZipCall&) = delete;
    ZipCall& operator=(const ZipCall&) = delete;

    archives::TZipMaster& operator*() { return zip_; }

private:
    archives::TZipMaster& zip_;
    archives::TZipMaster::ExtrOpts options_;
    QString base_;
    bool unattended_;
    archives::TZipMaster::ItemProgress progress_;
    qint64 maxBytes_;
};

/// The same for the rar component; its list of entries to extract is
/// empty again afterwards, or the next install would get only those.
class RarCall {
public:
    RarCall(CommandContext& ctx, bool quiet, const QString& prefix = {})
        : rar_(ctx.rar), archive_(rar_.ArchiveFileName), target_(rar_.TargetDirectory),
          listed_(rar_.OnFileAboutToBeListed), extracted_(rar_.OnFileAboutToBeExtracted),
          password_(rar_.OnReqPassword), maxBytes_(rar_.Limits.maxBytes) {
        rar_.FileListToProcess.clear();
        rar_.OnFileAboutToBeListed = nullptr;
        rar_.OnFileAboutToBeExtracted = [&ctx, quiet, prefix](const QString& entryName) {
            if (!quiet)
                ctx.status.setStatus(prefix + platform::fileNamePart(entryName));
        };
        rar_.OnReqPassword = [&ctx, quiet, this]() -> std::optional<QString> {
            if (quiet)
                return std::nullopt;
            // A cancelled dialog answers the empty password.
            return ctx.dialogs.inputText(rar_.ArchiveFileName, u"Password needed"_s, QString())
                .value_or(QString());
        };
    }
    ~RarCall() {
        rar_.FileListToProcess.clear();
        rar_.ArchiveFileName = archive_;
        rar_.TargetDirectory = target_;
        rar_.OnFileAboutToBeListed = listed_;
        rar_.OnFileAboutToBeExtracted = extracted_;
        rar_.OnReqPassword = password_;
        rar_.Limits.maxBytes = maxBytes_;
    }
    RarCall(const RarCall&) = delete;
    RarCall& operator=(const RarCall&) = delete;

    archives::TdRar3& operator*() { return rar_; }

private:
    archives::TdRar3& rar_;
    QString archive_;
    QString target_;
    std::function<void(const QString&)> listed_;
    std::function<void(const QString&)> extracted_;
    std::function<std::optional<QString>()> password_;
    qint64 maxBytes_;
};

archives::ArchiveResult notAnArchive(const QString& path) {
    archives::ArchiveResult r;
    r.error = path + u"\ris neither a zip nor a rar archive."_s;
    return r;
}

} // namespace

QString archiveType(const QString& path) {
    const QString name = platform::fileNamePart(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot).toLower();
}

archives::ArchiveResult ExtractArchive(CommandContext& ctx, const ExtractRequest& request) {
    const QString type = archiveType(request.archive);
    if (type == u".zip"_s) {
        ZipCall call(ctx, request.quiet, request.quiet, request.statusPrefix);
        archives::TZipMaster& zip = *call;
        zip.ExtrOptions = request.keepFolders
                              ? archives::TZipMaster::ExtrOpts(archives::TZipMaster::ExtrDirNames |
                                                               archives::TZipMaster::ExtrForceDirs)
                              : archives::TZipMaster::ExtrOpts(archives::TZipMaster::ExtrForceDirs);
        zip.ExtrBaseDir = request.target;
        if (request.maxBytes >= 0)
            zip.Limits.maxBytes = request.maxBytes;
        zip.setZipFileName(request.archive);
        zip.FSpecArgs = request.only;
        zip.Extract();
        return archives::ArchiveResult::ofZip(zip);
    }
    if (type == u".rar"_s) {
        RarCall call(ctx, request.quiet, request.statusPrefix);
        archives::TdRar3& rar = *call;
        rar.ArchiveFileName = request.archive;
        rar.TargetDirectory = request.target;
        if (request.maxBytes >= 0)
            rar.Limits.maxBytes = request.maxBytes;
        for (const QString& name : request.only)
            rar.FileListToProcess.add(name);
        const int code = rar.Extract();
        return archives::ArchiveResult::ofRar(rar, code);
    }
    return notAnArchive(request.archive);
}

ArchiveListing ListZipWith(archives::TZipMaster& zip, const QString& path) {
    ArchiveListing listing;
    zip.setZipFileName(path);
    for (int i = 0; i < zip.EntryCount(); ++i) {
        listing.entries.append(zip.EntryName(i));
        if (zip.EntryIsFile(i))
            listing.files.append(zip.EntryName(i));
    }
    listing.result = archives::ArchiveResult::ofZip(zip);
    return listing;
}

ArchiveListing ListArchive(CommandContext& ctx, const QString& path, bool quiet) {
    ArchiveListing listing;
    const QString type = archiveType(path);
    if (type == u".zip"_s) {
        ZipCall call(ctx, quiet, true);
        return ListZipWith(*call, path);
    }
    if (type == u".rar"_s) {
        RarCall call(ctx, quiet);
        archives::TdRar3& rar = *call;
        rar.ArchiveFileName = path;
        // The component lists no links; a folder entry ends in "/".
        rar.OnFileAboutToBeListed = [&listing](const QString& name) {
            listing.entries.append(name);
            if (!name.endsWith(u'/'))
                listing.files.append(name);
        };
        const int code = rar.List();
        listing.result = archives::ArchiveResult::ofRar(rar, code);
        return listing;
    }
    listing.result = notAnArchive(path);
    return listing;
}

archives::ArchiveResult AddToZip(CommandContext& ctx, const QString& zipPath,
                                 const QStringList& fileSpecs, bool quiet,
                                 const QString& statusPrefix) {
    ZipCall call(ctx, quiet, false, statusPrefix);
    archives::TZipMaster& zip = *call;
    zip.setZipFileName(zipPath);
    zip.FSpecArgs = fileSpecs;
    zip.Add();
    return archives::ArchiveResult::ofZip(zip);
}

} // namespace core
