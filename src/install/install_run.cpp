#include "install/install_run.h"

namespace install::detail {

void PaintingStatus::setStatus(const QString& text) {
    inner_.setStatus(text);
    paint_();
}

void PaintingStatus::setProgress(int done, int total) {
    inner_.setProgress(done, total);
    paint_();
}

std::optional<QString> RecordingTrash::moveToTrash(const QString& path) {
    const std::optional<QString> where = inner_.moveToTrash(path);
    if (where)
        trashed_.append(*where);
    return where;
}

InstallRun::InstallRun(CommandContext& ctx, int total)
    : ctx_(ctx), status_(ctx.status, paint_),
      trash_(ctx.trash), run_{ctx.state, ctx.dialogs,   status_,    ctx.backends,
                              trash_,    ctx.processes, ctx.folders},
      total_(total), savedOverwriteAlways_(ctx.state.OverwriteAlways) {
    // The run's context is the caller's with two senders wrapped: the hooks
    // go through unchanged.
    run_.beforeWriting = ctx.beforeWriting;
    run_.beforeInstall = ctx.beforeInstall;
    progress(0);
}

InstallRun::~InstallRun() {
    restoreOverwriteAlways();
    if (total_ > 1)
        ctx_.status.setProgress(0, 0);
}

void InstallRun::progress(int done) {
    if (total_ > 1)
        status_.setProgress(done, total_);
}

void InstallRun::restoreOverwriteAlways() {
    ctx_.state.OverwriteAlways = savedOverwriteAlways_;
}

} // namespace install::detail
