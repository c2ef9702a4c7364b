#pragma once

#include "core/globals.h"
#include "core/namespaces.h"
#include "platform/dialogs.h"

#include <QString>
#include <QStringList>

/// Start-up and shut-down work on the file system, without widgets.
namespace core::lifecycle {

/// Start-up: sets TempDir = ProgramDir + "/Temp"; when it exists empties it
/// completely (folders and read-only files too, never following links:
/// what a killed run left would otherwise be placed with the next
/// archive), else creates it. Throws platform::Error when it cannot be
/// created.
void prepareTempDir(AppState& state);

/// Shut-down: removes TempDir with everything in it, clearing read-only
/// bits and never following links. True when the folder is gone (or was
/// never there).
bool removeTempDir(const AppState& state);

/// At start-up, when the configured game folder is missing: what the user
/// is told (the folder, and what to do); empty when it is there or none is
/// configured.
QString missingGameFolderText(const AppState& state);

/// The message shown when removeTempDir fails.
QString couldNotRemoveTempText(const AppState& state);

/// What writing error.log did.
struct ErrorLogWrite {
    QStringList lines; ///< the lines written: each rejected archive with its reason
    bool news = false; ///< a line the previous error.log did not have
};

/// Writes error.log from `lines` (a scan's ScanResult::ErrorLogLines);
/// nothing is written when there are none. Throws platform::Error when the
/// log cannot be written.
ErrorLogWrite WriteErrorLog(const GamePaths& paths, const QStringList& lines);

/// Writes error.log from `lines` and, when the log gained a line the
/// previous error.log did not have, asks whether to read it. Returns true
/// when the user answered Yes (the caller then opens the log). Does nothing
/// and returns false when there are no lines.
bool ReportUnsupportedFiles(const GamePaths& paths, const QStringList& lines,
                            platform::Dialogs& dialogs);

} // namespace core::lifecycle
