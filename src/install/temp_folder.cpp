#include "install/placement.h"

#include "platform/file_helpers.h"
#include "platform/folder_index.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace install {

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

} // namespace

bool FlattenTempFolder(CommandContext& ctx) {
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

} // namespace install
