// "Verify installation" and the game's own files kept when installs
// overwrote them: those no installed record needs any more, and putting
// them back.
#include "core/kept_originals.h"
#include "core/transaction.h"
#include "install/placement.h"
#include "install/verify.h"
#include "install/verify_books.h"
#include "platform/atomic_file.h"
#include "platform/file_helpers.h"
#include "platform/folder_index.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace install {

using namespace verifying;

namespace {

/// An installed record still needs the file: it lists it, or (a help
/// file, renamed by its install) its archive's stem names it.
bool stillNeeded(const AppState& s, const Books& books, const QString& gamePath) {
    const QString name = platform::fileNamePart(gamePath);
    const std::optional<QString> folder = catalogue::gameFolderForFile(s, name);
    if (!folder)
        return false;
    if (books.uses.uses(*folder, name) > 0)
        return true;
    if (*folder != s.HelpDir)
        return false;
    for (const Book& book : books.files) {
        for (const TContentRecord& r : book.records) {
            const QString stem = ArchiveStem(r.ArchiveName);
            if (r.Installed == 1 && !stem.isEmpty() &&
                name.startsWith(stem + u'-', Qt::CaseInsensitive))
                return true;
        }
    }
    return false;
}

} // namespace

QList<StrayOriginal> StrayOriginals(CommandContext& ctx) {
    const AppState& s = ctx.state;
    const Books books(s);
    QList<StrayOriginal> out;
    const txn::KeptOriginals kept = txn::KeptOriginals::load(s);
    for (const txn::KeptOriginal& k : kept.entries()) {
        const QString path = *kept.keptFor(k.gamePath);
        if (!QFileInfo(path).isFile() || stillNeeded(s, books, k.gamePath))
            continue;
        out.append({k.gamePath, path, QFileInfo(path).size()});
    }
    return out;
}

int PutBackOriginals(CommandContext& ctx, const QStringList& gamePaths) {
    const AppState& s = ctx.state;
    QList<StrayOriginal> chosen;
    for (const StrayOriginal& o : StrayOriginals(ctx)) {
        if (gamePaths.isEmpty() || gamePaths.contains(o.gamePath, Qt::CaseInsensitive))
            chosen.append(o);
    }
    if (chosen.isEmpty())
        return 0;
    txn::Transaction transaction(s);
    txn::KeptOriginals kept = txn::KeptOriginals::load(s);
    QList<txn::Op> ops;
    for (const StrayOriginal& o : std::as_const(chosen)) {
        if (QFileInfo(o.gamePath).isFile()) {
            const QString backup = transaction.newBackupPath();
            if (const platform::Outcome done = txn::keepBytes(o.gamePath, backup); !done)
                throw platform::Error(done.error());
            ops.append({txn::Op::Kept, o.gamePath, backup});
        } else {
            ops.append({txn::Op::Created, o.gamePath, {}});
        }
        const QString backup = transaction.newBackupPath();
        if (const platform::Outcome done = txn::keepBytes(o.kept, backup); !done)
            throw platform::Error(done.error());
        ops.append({txn::Op::Kept, o.kept, backup});
    }
    transaction.log(ops);
    for (const StrayOriginal& o : std::as_const(chosen)) {
        if (!txn::putBack(o.kept, o.gamePath))
            throw platform::Error(u"The game's own file could not be put back from "_s + o.kept +
                                  u" to "_s + o.gamePath + u'.');
        kept.drop(o.gamePath);
        ctx.folders.added(o.gamePath);
    }
    transaction.commit({{txn::KeptOriginals::indexPath(s),
                         [&kept](platform::AtomicFile& out) { out.writeAll(kept.toBytes()); }}});
    return int(chosen.size());
}

} // namespace install
