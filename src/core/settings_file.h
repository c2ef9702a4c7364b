#pragma once

#include "core/globals.h"
#include "core/namespaces.h"

#include <QPoint>
#include <QString>
#include <QStringList>

#include <optional>

/// Quorvel.ini: a line-numbered text file without keys. "Save" writes lines
/// 0 to 15, the shut-down appends the seven layout lines 16 to 22 after the
/// "[Layout]" line. Everything here works on plain values; applying them to
/// the window and the global state is the caller's part.
namespace core::settings_file {

/// Line numbers (from 0) of the values.
enum Line : int {
    VersionLine = 2,
    GameNameLine = 4,
    GameDirLine = 6,
    CustomMapDirLine = 7,
    CustomSkinDirLine = 8,
    MutatorDirLine = 9,
    DemosDirLine = 10,
    SubDirsLine = 11,
    OverwriteLine = 12,
    ExtraFilesLine = 13,
    AdditionalGamesLine = 14,
    LayoutHeaderLine = 15,
    ThemeIndexLine = 16,
    ThemeFileLine = 17,
    ThemeOnLine = 18,
    LeftLine = 19,
    TopLine = 20,
    LastZipDirLine = 21,
    LastUz2DirLine = 22,
};

/// The version "Save" and the shut-down write into line 2.
QString currentVersion();

/// The keys of the nine rows of the configuration editor, in row order;
/// their values are lines 6 to 14.
const QStringList& settingRowNames();

/// Every line of the file; CR LF and LF both end a line.
/// Throws platform::Error when the file cannot be read.
QStringList readSettingsLines(const QString& path);

/// True for the versions read as current: exactly "2.05", "2.02" or "2.1".
bool isCurrentVersion(const QString& line2);

/// Sizes in bytes of mapdata.dat and somdata.dat; -1 for one that is not
/// a file.
struct RecordFileSizes {
    qint64 maps = -1;
    qint64 mods = -1;
};
RecordFileSizes recordFileSizes(const AppState& state);

/// True when a record file of `bytes` bytes can hold records of the old
/// size only: a whole multiple of 3296 bytes and not of 5336. An empty file
/// fits both sizes and counts as fitting.
bool fitsOldRecords(qint64 bytes);

/// What the loader makes of the file's lines and the record files beside it:
/// - line 2 is a current version: false, the file is used as it is;
/// - the old layout, known by its own shape: line 1 is "[Game]" (the old
///   file had no version section) and both record files fit the old record
///   size (fitsOldRecords): true, both are upgraded;
/// - anything else (no line 2, a version such as "2.06", random bytes)
///   throws platform::Error: the file is damaged. Taking it for the old
///   layout would shift every setting by two lines and cut records of the
///   new size into pieces of the old.
bool needsUpgrade(const QStringList& lines, const RecordFileSizes& sizes);

/// Converts the record files (content_db::UpgradeRecords) and then rewrites
/// the settings file with "[Program version]" and "2.05" inserted after its
/// first line; a file of one line is rewritten unchanged. Atomic, CR LF.
/// Throws platform::Error on any failure; the settings file is then left
/// as it was.
void UpgradeSettings(const AppState& state);

/// Where a damaged settings file went.
struct DamagedSettings {
    QString path;    ///< the settings file
    QString keptAs;  ///< path + ".damaged"; empty when there was no file to keep
    QString failure; ///< the system's reason when it could not be moved; else empty
};

/// A damaged or unreadable settings file is never deleted: it is renamed to
/// <path>.damaged, replacing an older one, so "Save" starts afresh and the
/// user can still look at what was there. Nothing happens to a missing file.
DamagedSettings keepDamaged(const QString& path);

/// The damaged-file message: "Ini-file may be corrupt or missing." CR
/// "Reconfigure your settings", then a sentence on where the file went.
QString damagedText(const DamagedSettings& kept);

/// The built-in map filter, "All|All|AS|AS|...|ONS|ONS".
QString baseMapFilter();

/// The map filter for an "Additional games" value: the built-in pairs, then
/// "|X|X" for each space-separated game type X. The value is split as it
/// always was: a last item of a single character is not added.
QString mapFilterFor(const QString& additionalGames);

/// Lines 4 to 14 as read by the settings loader.
struct SettingsValues {
    QString GameName;
    QString GameDir;
    QString CustomMapDir;
    QString CustomSkinDir;
    QString MutatorDir;
    QString DemosDir;
    QString SubDirsText;            ///< "Search files in subdirs" as stored
    QString OverwriteText;          ///< "Overwrite files" as stored
    QString ExtraFilesText;         ///< "Install extra files" as stored
    QString AdditionalGames;        ///< "Additional games" as stored
    bool ScanSubDirs = false;       ///< SubDirsText is exactly "Yes"
    bool OverwriteAlways = false;   ///< OverwriteText is exactly "Always"
    bool InstallExtraFiles = false; ///< ExtraFilesText is exactly "Yes"

    /// The nine editor row values (lines 6 to 14), in row order.
    QStringList editorValues() const;
};

/// Reads lines 4 to 14. Throws platform::Error when any of lines 0 to 14
/// is missing: the file is damaged.
SettingsValues parseSettingsValues(const QStringList& lines);

/// What the loader has applied so far, for the window to show.
struct AppliedSettings {
    QStringList editorRows;           ///< values of editor rows 1.. in row order, as applied
    std::optional<QString> mapFilter; ///< the map filter, once line 14 was applied
};

/// The loader's steps for lines 4 to 14: applies each value to `state` in
/// line order (GameName, GameDir with its sub-folders, the archive folders
/// with their "set" flags, which are only ever set, the three switches),
/// records the editor rows and the map filter in `applied`, and computes
/// the game sub-folders. Throws platform::Error at the first missing line;
/// what was applied before it stays in effect.
void applySettings(AppState& state, const QStringList& lines, AppliedSettings& applied);

/// The layout lines 16 to 22, written at shut-down and applied at start-up.
struct LayoutValues {
    int ThemeIndex = 0;                ///< -1 theme file, 0..3 built-in (above 3 acts as 1)
    QString ThemeFile;                 ///< may be empty
    bool ThemeOn = false;              ///< line 18 is exactly "Yes"
    std::optional<QPoint> WindowPos;   ///< left (line 19), top (line 20)
    std::optional<QString> LastZipDir; ///< line 21; set together with LastUz2Dir
    std::optional<QString> LastUz2Dir; ///< line 22
};

/// Reads the layout lines as far as the file has them:
/// - line 16 is read as a decimal integer, -2 when missing or not a
///   number; -2 or less gives no layout at all (std::nullopt);
/// - line 17 is ThemeFile and line 18 "Yes" switches the theme on (empty
///   and off when missing);
/// - lines 19 and 20 are the window position. A present value that is not
///   a decimal integer throws platform::Error (damaged). Without line 20
///   there is no position; a lone line 19 must still be a number;
/// - lines 21 and 22 are the last-used folders, only when both exist.
std::optional<LayoutValues> parseLayout(const QStringList& lines);

/// Lines 16 to 18 alone (ThemeIndex, ThemeFile, ThemeOn), as parseLayout
/// reads them; never throws. The loader applies these before it reads the
/// position, so a bad position leaves the theme lines in effect.
std::optional<LayoutValues> parseThemeLines(const QStringList& lines);

/// "Save": writes lines 0 to 15 ("DO NOT EDIT THIS FILE", "[Program
/// version]", "2.05", "[Game]", gameName, "[Folders]", the nine editor
/// values unchanged, "[Layout]"), CR LF, atomically. A value holding a line
/// break would shift every later line and damage the file, so it is
/// refused. Throws platform::Error (with the system's text when writing
/// fails); the old file is then unchanged.
void writeSettings(const QString& path, const QString& gameName, const QStringList& nineValues);

/// The shut-down's "store the layout": reads at most the first 30 lines,
/// keeps them up to and including the first "[Layout]" line (all of them
/// when there is none), writes "2.05" as line 2 and appends ThemeIndex,
/// ThemeFile, "Yes"/"No", left, top, LastZipDir, LastUz2Dir. Atomic, CR LF.
/// A missing position is written as 0, 0; a missing folder or any text
/// holding a line break as an empty line, so the line numbers stay true.
/// Never creates the file; any error is swallowed and gives false.
bool storeLayout(const QString& path, const LayoutValues& layout);

} // namespace core::settings_file
