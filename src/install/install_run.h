#pragma once

#include "core/command_context.h"
#include "core/keep_painted.h"
#include "platform/status_sink.h"
#include "platform/trash.h"

#include <QString>
#include <QStringList>

#include <functional>

/// What an install run changes around itself and puts back on every way
/// out, errors included.
namespace install::detail {

/// Passes the status on and keeps the window painted.
class PaintingStatus : public platform::StatusSink {
public:
    PaintingStatus(platform::StatusSink& inner, KeepPainted& paint)
        : inner_(inner), paint_(paint) {}
    void setStatus(const QString& text) override;
    QString status() const override { return inner_.status(); }
    void setProgress(int done, int total) override;

private:
    platform::StatusSink& inner_;
    KeepPainted& paint_;
};

/// Passes files on to the real trash and keeps where each one went.
class RecordingTrash : public platform::Trash {
public:
    explicit RecordingTrash(platform::Trash& inner) : inner_(inner) {}
    std::optional<QString> moveToTrash(const QString& path) override;
    const QStringList& trashed() const { return trashed_; }

private:
    platform::Trash& inner_;
    QStringList trashed_;
};

/// One install run: the context its steps work with (status that keeps
/// the window painted, also while the components report their progress
/// there, and trash that records) and the saved OverwriteAlways. The
/// destructor puts back OverwriteAlways and hides the
/// progress bar.
class InstallRun {
public:
    /// `total`: the entries of the run; a progress bar is shown for more
    /// than one.
    InstallRun(CommandContext& ctx, int total);
    ~InstallRun();
    InstallRun(const InstallRun&) = delete;
    InstallRun& operator=(const InstallRun&) = delete;

    CommandContext& context() { return run_; }
    /// `done` entries of the run are through.
    void progress(int done);
    /// Puts OverwriteAlways back to its value at the start (also done by
    /// the destructor).
    void restoreOverwriteAlways();
    const QStringList& trashed() const { return trash_.trashed(); }

private:
    CommandContext& ctx_;
    KeepPainted paint_;
    PaintingStatus status_;
    RecordingTrash trash_;
    CommandContext run_;
    int total_;
    bool savedOverwriteAlways_;
};

} // namespace install::detail
