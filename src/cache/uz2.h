#pragma once

#include "core/command_context.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>

/// The work of the .uz2 page: choosing and dropping files, and the run that
/// compresses or decompresses them one by one, with the game's tool when
/// the game's System folder has one and with Quorvel's own codec when not.
/// The selection's full paths live in ListBox3; the page shows their names.
namespace cache {

/// The two actions of "Choose action", by their index; None when no item
/// is chosen.
enum class Uz2Action { None = -1, Decompress = 0, Compress = 1 };

/// The action of item `index` of "Choose action" (None for any other).
Uz2Action uz2ActionAt(int index);
/// "Decompress " or "Compress ", with the blank; empty for None.
QString uz2CommandWord(Uz2Action action);
/// The open dialog's filter for the action; empty for None (the dialog
/// keeps the one it has).
QString uz2OpenFilter(Uz2Action action);
/// "  3 files selected to be decompressed. Hit Go to start." and the like.
QString uz2SelectionText(qsizetype count, Uz2Action action);

/// Marks appended to a file's line after a run.
inline constexpr QStringView Uz2OkMark = u" -> ok";
inline constexpr QStringView Uz2ErrorMark = u" -> Error";
/// The output existed and the user chose not to replace it.
inline constexpr QStringView Uz2SkippedMark = u" -> skipped";

/// "Open": the dialog in LastUz2Dir with `filter`. Cancelled: nothing
/// changes and nullopt. Otherwise LastUz2Dir becomes the folder of the
/// first file, ListBox3 the chosen paths in the dialog's order, the status
/// says how many files are to be handled by `action`, and the file names
/// come back for the page's list.
std::optional<QStringList> chooseUz2Files(CommandContext& ctx, Uz2Action action,
                                          const QString& filter);

/// What a drop chose.
struct Uz2Drop {
    QStringList names; ///< the file names, in drop order
    Uz2Action action = Uz2Action::Decompress;
};

/// Files dropped onto the window: ListBox3 becomes `paths`, LastUz2Dir the
/// folder of the first one, and the first file's extension chooses one
/// action for the whole drop (".uz2": decompress; else compress). nullopt
/// when nothing usable was dropped, or while a run is busy (a drop then
/// would change the list under the run); nothing changes then.
std::optional<Uz2Drop> dropUz2Files(CommandContext& ctx, const QStringList& paths);

/// "Go" with nothing selected shows "No file(s) selected " and is false.
bool checkUz2Selection(CommandContext& ctx);

/// Told when the line of file `index` got its mark; `reason` says why a
/// file was not converted (empty for ok, and for a tool's failure, which
/// says nothing).
using Uz2LineMarked =
    std::function<void(qsizetype index, const QString& line, const QString& reason)>;

/// What a run leaves for its end (finishUz2).
struct Uz2Run {
    QString commandWord;  ///< trimmed: "Decompress", "Compress" or empty
    bool builtIn = false; ///< Quorvel's own codec did the work (no game tool)
    int succeeded = 0;
    /// Files converted whose input could not be moved to the trash.
    int notTrashed = 0;
    QStringList lines;   ///< the page's lines with their marks
    QStringList reasons; ///< per line, why it was not converted
    /// When set, the run ended early: shown as an error once the window is
    /// no longer busy, and the lists stay as they are.
    QString error;
};

/// Converts every file of ListBox3 in order; `lines` are the page's lines
/// of those files. The game's tool (found in SystemDir) runs once per file
/// with SystemDir as working folder and the arguments [command word, full
/// path]; exit code 0 is success. Without a tool Quorvel's own codec writes
/// the output beside the input, asking before it replaces a file. A file
/// converted is marked " -> ok", counted and, when `deleteInputs`, moved to
/// the trash; any other is marked " -> Error" (" -> skipped" when the user
/// kept an existing output) and kept. A ".uz2" is never compressed again.
/// `outputFolder`, when given, receives the outputs instead of the inputs'
/// folders: the codec writes there, and what the tool wrote beside its
/// input is moved there (asking before a file is replaced; a tool that
/// wrote nothing there fails the file).
Uz2Run runUz2(CommandContext& ctx, Uz2Action action, bool deleteInputs, const QStringList& lines,
              const Uz2LineMarked& marked = {}, const QString& outputFolder = {});

/// The end of a run, once the window is no longer busy: the error of a
/// run that ended early, or the final status and ListBox3 emptied.
void finishUz2(CommandContext& ctx, const Uz2Run& run, bool deleteInputs);

} // namespace cache
