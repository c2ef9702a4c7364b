#pragma once

#include "archive/rar_common.h"
#include "archive/unrar_binding.h"

#include <QByteArray>
#include <QString>

#include <exception>
#include <functional>
#include <optional>
#include <utility>

namespace archives {

/// One List or Extract of one archive.
struct UnrarJob {
    bool extract = false;
    QString archive;
    /// Extraction folder; empty: the working folder.
    QString target;
    /// The entries to extract; empty: all.
    RarFileList only;
    ExtractionLimits limits;
};

/// How a run ended: the result code of `TdRar3`, and when one of the
/// extraction bounds stopped it, why (in words for the user).
struct UnrarJobResult {
    int code = 0;
    QString reason;
};

/// Drives the loaded unrar library through one job, entry by entry, with
/// every rule of the in-process extraction: confined target paths, links
/// skipped, the entry count, declared sizes and free space checked, each
/// file written under a temporary name and renamed. This runs in the
/// helper program (quorvel-unrar), never inside Quorvel: a damaged archive
/// may crash the library, and it must take only the helper with it.
class UnrarRun : private UnrarCallbackTarget {
public:
    /// Before each entry (links excluded), with its name as callers see it.
    using EntryHook = std::function<void(const QString& entryName)>;
    /// The library needs a password; asked at most once per run, the
    /// answer is kept for later requests. nullopt cancels the operation.
    using PasswordHook = std::function<std::optional<QByteArray>()>;
    /// The temporary file the library is about to write, before it starts;
    /// an empty path once that file is renamed or removed. The helper keeps
    /// it, to remove it should it be ended halfway.
    using PartialHook = std::function<void(const QByteArray& tempPath)>;

    UnrarRun(const UnrarLibrary& lib, const UnrarJob& job, EntryHook onEntry,
             PasswordHook password);
    ~UnrarRun() override;
    UnrarRun(const UnrarRun&) = delete;
    UnrarRun& operator=(const UnrarRun&) = delete;

    void setPartialHook(PartialHook hook) { partial_ = std::move(hook); }

    /// Lists or extracts; what a hook throws comes out after the library
    /// has returned, with the archive closed.
    UnrarJobResult run();

private:
    int runLibrary();
    int processEntry(void* handle, const RARHeaderDataEx& header);
    void rethrowPending();
    void forgetPassword();
    std::optional<QByteArray> unrarNarrowPassword() override;
    bool unrarProcessData(qint64 bytes) override;

    const UnrarLibrary& lib_;
    const UnrarJob& job_;
    EntryHook onEntry_;
    PasswordHook password_;
    PartialHook partial_;
    bool passwordAsked_ = false;
    std::optional<QByteArray> passwordAnswer_;
    std::exception_ptr pending_;
    /// Set while an Extract runs.
    std::optional<RarExtractGuard> guard_;
};

} // namespace archives
