#pragma once

#include "core/archive_calls.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace intake {

/// What a worker found for one archive of a scan: its format's probe (1
/// for a format without one) and, when the probe took it and the listing
/// read cleanly, its listing.
struct ArchiveAhead {
    int probe = 0;
    std::optional<core::ArchiveListing> listing;
};

/// The archives a scan is about to examine, of formats that read ahead
/// (archives::Ability::ReadAhead), probed and listed on worker threads, a
/// batch at a time: libzip reads each directory on its own handle, so two
/// cores read two zips at once. Only clean outcomes are used; an archive
/// that failed to list goes the ordinary way on the scan's thread, where
/// the component shows its box as before.
class ArchivesAhead {
public:
    /// `paths` in the order the scan will ask for them.
    ArchivesAhead(QStringList paths, int threads);

    /// The outcome for the next path; called once per path, in order.
    ArchiveAhead next();

private:
    void readBatch();

    QStringList paths_;
    int threads_;
    qsizetype asked_ = 0;
    qsizetype batchStart_ = 0;
    QList<ArchiveAhead> batch_;
};

/// The worker threads a scan lists archives on: the cores, at most 4
/// (beyond that the disk, not the processor, sets the pace).
int ScanThreads();

} // namespace intake
