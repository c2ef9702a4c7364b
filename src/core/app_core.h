#pragma once

#include "archive/archive_formats.h"
#include "archive/rar_archive.h"
#include "archive/zip_master.h"
#include "core/command_context.h"
#include "core/globals.h"
#include "core/record_guard.h"
#include "platform/folder_index.h"
#include "platform/process.h"
#include "platform/trash.h"

#include <memory>
#include <optional>

namespace platform {
class Dialogs;
class StatusSink;
} // namespace platform

/// What one run of the program owns besides its windows: the state, the
/// archive components (each call sets their events for itself, see
/// core/archive_calls.h), and the trash and process seams. The main window owns one;
/// tests make their own to drive pages and operations without the window.
class AppCore {
public:
    /// `trash` and `processes` replace the real ones (tests); the core
    /// keeps them. `dialogs` and `status` must outlive the core.
    AppCore(platform::Dialogs& dialogs, platform::StatusSink& status,
            std::unique_ptr<platform::Trash> trash = nullptr,
            std::unique_ptr<platform::Processes> processes = nullptr);
    ~AppCore();
    AppCore(const AppCore&) = delete;
    AppCore& operator=(const AppCore&) = delete;

    AppState state;
    /// One backend per archive format; every archive operation goes
    /// through them.
    archives::ArchiveBackends backends;
    /// The zip and rar components, owned by their backends.
    archives::TZipMaster& ZipMaster1;
    archives::TdRar3& dRar31;

    /// Keeps damaged record files for this run (core/record_guard.h).
    RecordFileGuard recordGuard;

    CommandContext& context() { return context_; }
    /// A command starts: nothing seen by an earlier one is trusted.
    void beginCommand() { folders_.clear(); }
    /// Runs the record file guard now, whether started or not, and tells of
    /// each damaged file in an error box; a repair first calls the
    /// context's beforeWriting. Throws as RecordFileGuard::check.
    void checkRecordFiles(int contentRecordSize = TContentRecord::RecordSize);

private:
    platform::Dialogs& dialogs_;
    platform::StatusSink& status_;
    std::unique_ptr<platform::Trash> trash_;
    std::unique_ptr<platform::Processes> processes_;
    platform::FolderIndex folders_;
    CommandContext context_;
};
