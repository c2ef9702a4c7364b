#pragma once

#include "core/content_db.h"

#include <QList>
#include <QString>
#include <QStringList>

struct AppState;

/// What "File info" shows about one recorded archive: the facts come from
/// its record, not from the archive, so they are there also for content
/// whose archive is gone.
namespace file_info {

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
};

/// The "File info" items of the six list popups.
bool isFileInfoTag(int tag);
/// Record file of the list a "File info" Tag names: mapdata.dat for 1 and
/// 21, somdata.dat for 31 to 61.
QString recordFileFor(const AppState& state, int tag);
/// Label of row 0 for a "File info" Tag ("Mapname : ", "Mutator : ",
/// "Skin  :  ").
QString firstLabelFor(int tag);

/// The extension of `archiveName` without its dot, at most 4 characters
/// ("zip", "rar"); empty when the name has none.
QString ExtensionWord(const QString& archiveName);

/// The header rows and the file list of `record`.
FileInfo describe(const TContentRecord& record, const QString& firstLabel);

/// The facts of list entry `entry` of the list a "File info" Tag names:
/// the first record in file order whose DisplayName or ArchiveName equals
/// it. Throws platform::Error for another Tag, when the record file cannot
/// be read, or when it holds no record of the entry.
FileInfo MapInfo(const AppState& state, int tag, const QString& entry);

} // namespace file_info
