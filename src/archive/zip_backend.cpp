#include "archive/zip_backend.h"

#include "archive/kept_value.h"

namespace archives {

namespace {

/// The component's options and events as a call found them; put back
/// when the call ends, however it ends, with its list of names empty.
class ZipCall {
public:
    ZipCall(TZipMaster& zip, const ArchiveJob& job)
        : zip_(zip), options_(zip.ExtrOptions), base_(zip.ExtrBaseDir), unattended_(zip.Unattended),
          progress_(zip.OnItemProgress), maxBytes_(zip.Limits.maxBytes) {
        zip_.FSpecArgs.clear();
        zip_.Unattended = job.noBoxes || zip_.Unattended;
        zip_.OnItemProgress = [progress = job.progress](const QString& item, qint64, int) {
            if (progress)
                progress(item);
        };
    }
    ~ZipCall() { zip_.FSpecArgs.clear(); }
    ZipCall(const ZipCall&) = delete;
    ZipCall& operator=(const ZipCall&) = delete;

private:
    TZipMaster& zip_;
    KeptValue<TZipMaster::ExtrOpts> options_;
    KeptValue<QString> base_;
    KeptValue<bool> unattended_;
    KeptValue<TZipMaster::ItemProgress> progress_;
    KeptValue<qint64> maxBytes_;
};

} // namespace

ArchiveResult ZipArchiveBackend::extract(const ArchiveJob& job) {
    const ZipCall call(zip_, job);
    zip_.ExtrOptions =
        job.keepFolders ? TZipMaster::ExtrOpts(TZipMaster::ExtrDirNames | TZipMaster::ExtrForceDirs)
                        : TZipMaster::ExtrOpts(TZipMaster::ExtrForceDirs);
    zip_.ExtrBaseDir = job.target;
    if (job.maxBytes >= 0)
        zip_.Limits.maxBytes = job.maxBytes;
    zip_.setZipFileName(job.archive);
    zip_.FSpecArgs = job.names;
    zip_.Extract();
    return ArchiveResult::ofZip(zip_);
}

ArchiveListing ZipArchiveBackend::list(const ArchiveJob& job) {
    const ZipCall call(zip_, job);
    ArchiveListing listing;
    zip_.setZipFileName(job.archive);
    for (int i = 0; i < zip_.EntryCount(); ++i) {
        listing.entries.append(zip_.EntryName(i));
        if (zip_.EntryIsFile(i))
            listing.files.append(zip_.EntryName(i));
    }
    listing.result = ArchiveResult::ofZip(zip_);
    return listing;
}

ArchiveResult ZipArchiveBackend::add(const ArchiveJob& job) {
    const ZipCall call(zip_, job);
    zip_.setZipFileName(job.archive);
    zip_.FSpecArgs = job.names;
    zip_.Add();
    return ArchiveResult::ofZip(zip_);
}

std::unique_ptr<ArchiveBackend> makeZipBackend(platform::Dialogs* dialogs) {
    return std::make_unique<ZipArchiveBackend>(dialogs);
}

} // namespace archives
