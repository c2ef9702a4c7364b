#pragma once

#include "core/command_context.h"

#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

/// The work of the Demos page: finding the recorded demos (".demo4") in the
/// game's Demos folder and in DemosDir, playing one by starting the game
/// with a one-line exec file, and deleting one to the trash.
namespace intake {

class TmFileScan;

/// The info bars' texts without a demo.
inline constexpr QStringView DemoNameText = u"  Name: ";
inline constexpr QStringView DemoLocationText = u"  Location: ";
/// Where the page's warnings stand, from the window's top-left corner.
inline constexpr QPoint DemoMessageOffset{105, 130};

/// The game's own Demos folder (GameDir's child "Demos", ignoring case),
/// without a trailing "/"; empty while GameDir is not set, so nothing is
/// ever looked for at the file system's root.
QString gameDemosFolder(const AppState& s);
/// The folder of `path`, without a trailing "/".
QString demoFolderOf(const QString& path);
/// "  3 file(s) found".
QString demoCountText(qsizetype count);

/// The demos found, and the lists of the page made from them.
class DemoCatalog {
public:
    /// Full paths in the order found: the game's Demos folder first (name
    /// order), then what the folder search found in DemosDir.
    QStringList DemoPaths;

    /// Builds DemoPaths anew when DemosListed is false, and sets it; the
    /// status says it is scanning meanwhile. True when it rebuilt.
    bool scan(CommandContext& ctx, TmFileScan& fScan);
    /// DirBox's items after "Show all": each folder of DemoPaths once, in
    /// the order first found.
    QStringList folders() const;
    /// The file names DemoList shows with `folder` chosen; an empty folder
    /// is "Show all".
    QStringList names(const QString& folder) const;
    /// The path of DemoList's row `row` showing `text`, with `folder`
    /// chosen ("Show all" when empty); empty for no row.
    QString pathAt(const QString& folder, int row, const QString& text) const;
};

/// A demo made ready to be played (LaunchDemo's steps 1 to 6).
struct DemoLaunch {
    /// The demo's name in the game's Demos folder, spaces made "_".
    QString Name;
    /// The copy this launch put into the game's Demos folder; empty when
    /// the demo was played where it lies.
    QString copiedPath;
    /// SystemDir + "rundemo.txt".
    QString execFile;
};

/// Brings the demo at `path` (a .demo4, or a zip or rar holding one) into
/// the game's Demos folder and writes the exec file. A demo from elsewhere
/// is copied; when the game's folder already holds a file of its name
/// (ignoring case), the copy gets the first free name "stem_2.demo4",
/// "stem_3.demo4", ..., so a file of the user's is never overwritten, and
/// the clean-up removes only that copy. A demo in the game's folder whose
/// name holds spaces is renamed with "_" the same way. What an archive
/// brought into TempDir is removed again once its demo is copied.
/// nullopt after a message: the file is gone ("Couldn't launch demo "),
/// the archive holds no demo ("Not a valid UT2004 demo-file"), or no game
/// is set ("Error Terror").
std::optional<DemoLaunch> PrepareDemo(CommandContext& ctx, const QString& path);

/// Plays a prepared demo: the game (DESIGN's demo player in SystemDir, run
/// in SystemDir with "exec=rundemo.txt") while `showWarning(true)` is in
/// force, then the exec file and the launch's copy are removed and
/// `showWarning(false)` called, on every way out. The event loop runs
/// meanwhile. "Error Terror" when there is no game program to start,
/// "Couldn't launch demo" when it did not run to an end.
void PlayDemo(CommandContext& ctx, const DemoLaunch& launch,
              const std::function<void(bool shown)>& showWarning);

/// PrepareDemo, then PlayDemo.
void LaunchDemo(CommandContext& ctx, const QString& path,
                const std::function<void(bool shown)>& showWarning);

/// Sends the demo at `path` to the trash. A missing file is reported
/// ("Couldn't delete file ") and gives false; otherwise true, also when the
/// move failed (not reported: the demo is simply listed again).
bool DeleteDemo(CommandContext& ctx, const QString& path);

} // namespace intake
