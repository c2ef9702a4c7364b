#pragma once

#include "core/archive_calls.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace intake {

/// What a worker found for one zip of a scan: the probe's flags and, when
/// the probe took it and the directory read cleanly, its listing.
struct ZipAhead {
    int probe = 0;
    std::optional<core::ArchiveListing> listing;
};

/// The zips a scan is about to examine, probed and listed ahead on worker
/// threads, a batch at a time: libzip reads each directory on its own
/// handle, so two cores read two zips at once. Only clean outcomes are
/// used; a zip that failed to list goes the ordinary way on the scan's
/// thread, where the component shows its box as before.
class ZipsAhead {
public:
    /// `paths` in the order the scan will ask for them.
    ZipsAhead(QStringList paths, int threads);

    /// The outcome for the next path; called once per path, in order.
    ZipAhead next();

private:
    void readBatch();

    QStringList paths_;
    int threads_;
    qsizetype asked_ = 0;
    qsizetype batchStart_ = 0;
    QList<ZipAhead> batch_;
};

/// The worker threads a scan lists zips on: the cores, at most 4 (beyond
/// that the disk, not the processor, sets the pace).
int ScanThreads();

} // namespace intake
