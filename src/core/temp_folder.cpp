#include "core/temp_folder.h"

#include "platform/dialogs.h"
#include "platform/file_helpers.h"
#include "platform/folder_index.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace core {

namespace {

/// Subfolders handled in one pass; the rest wait for the next.
constexpr int kFoldersPerPass = 10;

/// Case-folded names of TempDir's entries: the extracted files come from
/// archives made on a file system that ignores case, where Foo.utx and
/// foo.utx are one file, so a move that only differs in case is a clash.
QSet<QString> foldedNames(const QList<platform::FileEntry>& entries) {
    QSet<QString> names;
    for (const platform::FileEntry& e : entries)
        names.insert(e.name.toCaseFolded());
    return names;
}

/// Renames without ever replacing an existing entry.
bool moveNoReplace(const QString& from, const QString& to) {
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink())
        return false;
    return QDir().rename(from, to);
}

/// Moves one entry to `target`, which must not exist: a rename, else (across
/// file systems) a file copy or a folder rebuilt entry by entry, and the
/// source deleted once it is copied.
bool moveEntry(const QString& from, const QString& target) {
    const QFileInfo info(from);
    if (!info.isDir() || info.isSymLink())
        return QFile::rename(from, target); // copies and removes across file systems
    if (moveNoReplace(from, target))
        return true;
    if (!QDir().mkdir(target))
        return false;
    bool all = true;
    for (const platform::FileEntry& child : platform::listByMask(from, u"*"_s))
        all = moveEntry(child.path, platform::withSlash(target) + child.name) && all;
    return all && QDir().rmdir(from);
}

/// Moves one leftover into ToBeMoved. An entry of the same name there is
/// replaced only when the user says so; two folders are merged, asking
/// about each file that clashes, as the desktop's file manager does.
bool moveLeftover(CommandContext& ctx, const QString& from, const QString& target) {
    const QFileInfo existing(target);
    if (!existing.exists() && !existing.isSymLink())
        return moveEntry(from, target);
    const QFileInfo source(from);
    const bool sourceIsDir = source.isDir() && !source.isSymLink();
    if (sourceIsDir && existing.isDir() && !existing.isSymLink()) {
        bool all = true;
        for (const platform::FileEntry& child : platform::listByMask(from, u"*"_s))
            all = moveLeftover(ctx, child.path, platform::withSlash(target) + child.name) && all;
        return all && QDir().rmdir(from);
    }
    const QString text = target + u" already exists.\r\rReplace it with "_s + source.fileName() +
                         u" from "_s + source.path() + u"?"_s;
    if (ctx.dialogs.message(platform::MsgKind::Confirmation, text, platform::Yes | platform::No,
                            QPoint(50, 125)) != platform::Yes)
        return false;
    const bool removed = existing.isDir() && !existing.isSymLink()
                             ? QDir(target).removeRecursively()
                             : QFile::remove(target);
    return removed && moveEntry(from, target);
}

} // namespace

bool FlattenTempFolder(CommandContext& ctx) {
    if (ctx.state.TempDir.isEmpty())
        return true; // never the working folder by accident
    const QString temp = platform::withSlash(ctx.state.TempDir);
    const QList<platform::FileEntry> entries = platform::listByMask(temp, u"*"_s);
    QList<platform::FileEntry> subfolders;
    for (const platform::FileEntry& e : entries) {
        if (e.isDir && subfolders.size() < kFoldersPerPass)
            subfolders.append(e);
    }
    if (subfolders.isEmpty())
        return true;

    QSet<QString> taken = foldedNames(entries);
    bool changed = false;
    for (const platform::FileEntry& sub : subfolders) {
        // Entries can only leave a folder the owner may write to.
        if (sub.readOnly)
            platform::clearReadOnly(sub.path);
        const QList<platform::FileEntry> children = platform::listByMask(sub.path, u"*"_s);
        for (const platform::FileEntry& child : children) {
            if (child.readOnly)
                platform::clearReadOnly(child.path);
            const QString folded = child.name.toCaseFolded();
            if (taken.contains(folded))
                continue; // a clash: the entry stays where it is
            const QString target = temp + child.name;
            if (!moveNoReplace(child.path, target))
                continue;
            taken.insert(folded);
            ctx.folders.removed(child.path);
            ctx.folders.added(target);
            changed = true;
        }
        if (QDir().rmdir(sub.path)) {
            taken.remove(sub.name.toCaseFolded());
            ctx.folders.removed(sub.path);
            changed = true;
        }
    }
    return !changed;
}

void FlattenTempFolderFully(CommandContext& ctx) {
    constexpr int MaxPasses = 4096;
    for (int pass = 0; pass < MaxPasses && !FlattenTempFolder(ctx); ++pass) {
    }
}

ExtractedIntoTemp::ExtractedIntoTemp(CommandContext& ctx) : ctx_(ctx) {
    if (ctx.state.TempDir.isEmpty())
        return;
    for (const platform::FileEntry& e : platform::listByMask(ctx.state.TempDir, u"*"_s))
        before_.insert(e.name);
}

ExtractedIntoTemp::~ExtractedIntoTemp() {
    if (!kept_)
        removeAdded();
}

QList<platform::FileEntry> ExtractedIntoTemp::added() const {
    QList<platform::FileEntry> out;
    if (ctx_.state.TempDir.isEmpty())
        return out; // never the working folder by accident
    for (const platform::FileEntry& e : platform::listByMask(ctx_.state.TempDir, u"*"_s)) {
        if (!before_.contains(e.name))
            out.append(e);
    }
    return out;
}

void ExtractedIntoTemp::removeAdded() {
    for (const platform::FileEntry& e : added()) {
        platform::removeTree(e.path);
        ctx_.folders.removed(e.path);
    }
}

void DeleteTempFiles(CommandContext& ctx) {
    if (ctx.state.TempDir.isEmpty())
        return; // never the working folder by accident
    for (const platform::FileEntry& e : platform::listByMask(ctx.state.TempDir, u"*"_s)) {
        if (e.isDir && !QFileInfo(e.path).isSymLink())
            continue;
        if (platform::removeTree(e.path))
            ctx.folders.removed(e.path);
    }
}

bool MoveLeftovers(CommandContext& ctx) {
    if (ctx.state.TempDir.isEmpty())
        return false;
    const QString toBeMoved = ctx.state.ProgramDir + u"/ToBeMoved/"_s;
    bool lastMoved = false;
    for (const platform::FileEntry& e : platform::listByMask(ctx.state.TempDir, u"*"_s)) {
        if (!QFileInfo(toBeMoved).isDir())
            QDir().mkpath(toBeMoved);
        lastMoved = moveLeftover(ctx, e.path, toBeMoved + e.name);
        if (!QFileInfo::exists(e.path) && !QFileInfo(e.path).isSymLink())
            ctx.folders.removed(e.path);
    }
    return lastMoved;
}

} // namespace core
