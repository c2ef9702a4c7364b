#pragma once

#include "archive/archive_backend.h"
#include "archive/zip_master.h"

#include <memory>

namespace archives {

/// The zip component as a backend; the component itself stays reachable
/// under its own name for the window and the tests.
class ZipArchiveBackend : public ArchiveBackend {
public:
    explicit ZipArchiveBackend(platform::Dialogs* dialogs) : zip_(dialogs) {}

    ArchiveResult extract(const ArchiveJob& job) override;
    ArchiveListing list(const ArchiveJob& job) override;
    ArchiveResult add(const ArchiveJob& job) override;
    ExtractionLimits& limits() override { return zip_.Limits; }
    void setDefaultTarget(const QString& folder) override { zip_.ExtrBaseDir = folder; }

    TZipMaster& component() { return zip_; }

private:
    TZipMaster zip_;
};

std::unique_ptr<ArchiveBackend> makeZipBackend(platform::Dialogs* dialogs);

} // namespace archives
