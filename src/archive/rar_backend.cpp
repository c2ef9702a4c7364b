#include "archive/rar_backend.h"

#include "archive/kept_value.h"

namespace archives {

namespace {

/// The component's settings and events as a call found them; put back
/// when the call ends. Its list of entries to extract is empty again
/// afterwards, or the next install would get only those.
class RarCall {
public:
    RarCall(TdRar3& rar, const ArchiveJob& job)
        : rar_(rar), archive_(rar.ArchiveFileName), target_(rar.TargetDirectory),
          listed_(rar.OnFileAboutToBeListed), extracted_(rar.OnFileAboutToBeExtracted),
          password_(rar.OnReqPassword), maxBytes_(rar.Limits.maxBytes) {
        rar_.FileListToProcess.clear();
        rar_.OnFileAboutToBeListed = nullptr;
        rar_.OnFileAboutToBeExtracted = [progress = job.progress](const QString& entryName) {
            if (progress)
                progress(entryName);
        };
        rar_.OnReqPassword = [password = job.password]() -> std::optional<QString> {
            return password ? password() : std::nullopt;
        };
        rar_.ArchiveFileName = job.archive;
    }
    ~RarCall() { rar_.FileListToProcess.clear(); }
    RarCall(const RarCall&) = delete;
    RarCall& operator=(const RarCall&) = delete;

private:
    TdRar3& rar_;
    KeptValue<QString> archive_;
    KeptValue<QString> target_;
    KeptValue<std::function<void(const QString&)>> listed_;
    KeptValue<std::function<void(const QString&)>> extracted_;
    KeptValue<std::function<std::optional<QString>()>> password_;
    KeptValue<qint64> maxBytes_;
};

} // namespace

ArchiveResult RarArchiveBackend::extract(const ArchiveJob& job) {
    const RarCall call(rar_, job);
    rar_.TargetDirectory = job.target;
    if (job.maxBytes >= 0)
        rar_.Limits.maxBytes = job.maxBytes;
    for (const QString& name : job.names)
        rar_.FileListToProcess.add(name);
    const int code = rar_.Extract();
    return ArchiveResult::ofRar(rar_, code);
}

ArchiveListing RarArchiveBackend::list(const ArchiveJob& job) {
    const RarCall call(rar_, job);
    ArchiveListing listing;
    // The component lists no links; a folder entry ends in "/".
    rar_.OnFileAboutToBeListed = [&listing](const QString& name) {
        listing.entries.append(name);
        if (!name.endsWith(u'/'))
            listing.files.append(name);
    };
    const int code = rar_.List();
    listing.result = ArchiveResult::ofRar(rar_, code);
    return listing;
}

std::unique_ptr<ArchiveBackend> makeRarBackend(platform::Dialogs*) {
    return std::make_unique<RarArchiveBackend>();
}

} // namespace archives
