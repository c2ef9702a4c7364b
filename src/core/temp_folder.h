#pragma once

#include "core/command_context.h"

#include "platform/file_helpers.h"

#include <QList>
#include <QSet>
#include <QString>

/// The scratch folder TempDir between an extraction and its placement, and
/// the one undoable delete of user files. Intake, install and the cache
/// all extract into TempDir, so these live below them.
namespace core {

/// One pass of moving the contents of TempDir's subfolders up into
/// TempDir (at most 10 subfolders a pass). True when TempDir had no
/// subfolder or the pass could change nothing; callers repeat until true.
bool FlattenTempFolder(CommandContext& ctx);
/// FlattenTempFolder repeated until it can change nothing, at most 4096
/// passes: the bound only guards against a tree that keeps changing.
void FlattenTempFolderFully(CommandContext& ctx);

/// Moves every entry left in TempDir into ProgramDir + "/ToBeMoved/".
/// True when the last move succeeded; false when there was nothing to move.
bool MoveLeftovers(CommandContext& ctx);

/// Deletes every file and link directly in TempDir, read-only ones too;
/// folders stay (for MoveLeftovers).
void DeleteTempFiles(CommandContext& ctx);

/// Sends one file to the desktop trash. False for a missing file.
bool MoveToRecycleBin(CommandContext& ctx, const QString& path);

/// What one extraction brings into TempDir: the names there before it, and
/// what came since. `removeAdded` (and, unless `keep` was called, the
/// destructor) removes what came, folders too, never following links, so
/// none of it is taken for part of the next archive.
class ExtractedIntoTemp {
public:
    explicit ExtractedIntoTemp(CommandContext& ctx);
    ~ExtractedIntoTemp();
    ExtractedIntoTemp(const ExtractedIntoTemp&) = delete;
    ExtractedIntoTemp& operator=(const ExtractedIntoTemp&) = delete;

    /// TempDir's entries that were not there before, in listing order.
    QList<platform::FileEntry> added() const;
    void removeAdded();
    /// What came stays (it was placed, or the caller takes care of it).
    void keep() { kept_ = true; }

private:
    CommandContext& ctx_;
    QSet<QString> before_;
    bool kept_ = false;
};

} // namespace core
