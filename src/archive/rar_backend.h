#pragma once

#include "archive/archive_backend.h"
#include "archive/rar_archive.h"

#include <memory>

namespace platform {
class Dialogs;
}

namespace archives {

/// The rar component as a backend (it reads only); the component itself
/// stays reachable under its own name for the window and the tests.
class RarArchiveBackend : public ArchiveBackend {
public:
    RarArchiveBackend() = default;

    ArchiveResult extract(const ArchiveJob& job) override;
    ArchiveListing list(const ArchiveJob& job) override;
    ExtractionLimits& limits() override { return rar_.Limits; }
    void setDefaultTarget(const QString& folder) override { rar_.TargetDirectory = folder; }

    TdRar3& component() { return rar_; }

private:
    TdRar3 rar_;
};

std::unique_ptr<ArchiveBackend> makeRarBackend(platform::Dialogs* dialogs);

} // namespace archives
