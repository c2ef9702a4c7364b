#pragma once

#include "core/command_context.h"
#include "core/content_catalogue.h"
#include "core/namespaces.h"

#include <QList>
#include <QString>
#include <QStringList>

struct AppState;

/// What "File info" shows about one recorded archive: the facts come from
/// its record, not from the archive, so they are there also for content
/// whose archive is gone.
namespace core::file_info {

/// One row of the viewer's header grid: the label (column 1) and the value
/// (column 2); a row that does not apply has both empty.
struct HeaderRow {
    QString label;
    QString value;
    bool operator==(const HeaderRow&) const = default;
};

struct FileInfo {
    static constexpr int HeaderRows = 6;
    QList<HeaderRow> rows; ///< always HeaderRows rows
    QStringList files;     ///< the file grid, one recorded name per row
    TContentRecord record; ///< the record shown
};

/// Label of row 0 for a page: "Mapname : ", "Mutator : " or "Skin  :  ".
QString firstLabelFor(catalogue::ContentKind kind);

/// The extension of `archiveName` without its dot, at most 4 characters
/// ("zip", "rar"); empty when the name has none.
QString ExtensionWord(const QString& archiveName);

/// The header rows and the file list of `record`.
FileInfo describe(const TContentRecord& record, const QString& firstLabel);

/// The facts of the list entry `entry` of the page's list `side`: the
/// record the catalogue finds behind it. Throws platform::Error when the
/// record file cannot be read, or when it holds no such record (the file
/// changed since the list was filled).
FileInfo MapInfo(const AppState& state, catalogue::ContentKind kind, catalogue::ListSide side,
                 const catalogue::ListEntry& entry);

/// Extracts the recorded file `name` of `record`'s archive (ArchiveDir +
/// ArchiveName) into `folder` for viewing and returns the copy's path;
/// empty when nothing came out or the archive is neither zip nor rar. A
/// zip is asked for the name first, then for the stored name of its first
/// entry whose bare name is `name` (the record keeps bare names); when
/// neither gives a file, "Sorry, an error occured when trying to view " +
/// name is shown, unless `quiet`. A rar's entry keeps its folders below
/// `folder`. `quiet` also keeps the components from asking or showing
/// anything. Viewing takes no data folder lock, so `folder` is a scratch
/// folder of the viewer's own, never TempDir: another Quorvel may be
/// placing what it extracted there.
/// `maxBytes` (when not negative) bounds the copy's declared size: a
/// larger file is not extracted at all.
QString ExtractRecordedFile(CommandContext& ctx, const TContentRecord& record, const QString& name,
                            const QString& folder, bool quiet, qint64 maxBytes = -1);

} // namespace core::file_info
