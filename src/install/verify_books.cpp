#include "install/verify_books.h"

#include "core/content_db.h"
#include "install/game_paths.h"
#include "platform/errors.h"
#include "platform/folder_index.h"

#include <QFileInfo>
#include <QSet>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace install::verifying {

using catalogue::ContentKind;
using catalogue::ListSide;

// Without it every file would look missing and the dialog would offer to
// unmark everything.
void requireGameFolder(const AppState& s) {
    const QString what = s.GameDir.isEmpty()
                             ? u"No game folder is set"_s
                             : u"The game folder "_s + s.GameDir + u" was not found"_s;
    if (s.GameDir.isEmpty() || !QFileInfo(s.GameDir).isDir())
        throw platform::Error(what + u", so the installation cannot be verified.\r\r"_s
                                     u"Choose the game folder on the Configure page and save."_s);
}

QList<TContentRecord> readIfThere(const QString& path) {
    return QFileInfo::exists(path) ? content_db::ReadAll(path) : QList<TContentRecord>();
}

Books::Books(const AppState& s)
    : shared(catalogue::SharedFiles::loadIfThere(s.sharedDataPath())), uses(s) {
    for (const catalogue::RecordFileOf file : catalogue::recordFileMembers()) {
        files.append({file, readIfThere((s.*file)())});
        uses.addInstalled(files.last().records);
    }
}

bool GameLook::exists(const QString& folderValue, const QString& name) {
    auto it = resolved_.constFind(folderValue);
    if (it == resolved_.constEnd())
        it = resolved_.insert(folderValue, detail::gameFolder(ctx_, folderValue));
    return ctx_.folders.exists(it.value(), name);
}

QList<IndexedDrift> countDrifts(const AppState& s, const Books& books, GameLook& look) {
    QList<IndexedDrift> out;
    QSet<QString> seen;
    const QList<catalogue::SharedFiles::Count> counts = books.shared.counts();
    for (qsizetype i = 0; i < counts.size(); ++i) {
        const catalogue::SharedFiles::Count& r = counts[i];
        CountDrift d;
        d.fileName = r.fileName;
        d.count = r.count;
        const std::optional<QString> folder = catalogue::gameFolderForFile(s, r.fileName);
        d.users = folder ? books.uses.uses(*folder, r.fileName) : 0;
        const QString key = r.fileName.toCaseFolded();
        if (seen.contains(key)) {
            // The counting reads the first record of a name only.
            d.problem = CountProblem::Duplicate;
            d.repaired = 0;
        } else if (d.users == 0) {
            d.problem = CountProblem::NotListed;
            d.repaired = 0;
        } else if (!look.exists(*folder, r.fileName)) {
            // Nothing the game had before is left to keep.
            d.problem = CountProblem::FileGone;
            d.repaired = d.users;
        } else if (d.count < d.users) {
            d.problem = CountProblem::TooLow;
            d.repaired = d.users;
        } else if (d.count > d.users + 1) {
            // A count above the users says an install found the file in the
            // game already; which of the extra ones were killed runs cannot
            // be told, so the file is kept when its last user goes.
            d.problem = CountProblem::TooHigh;
            d.repaired = d.users + 1;
        } else {
            seen.insert(key);
            continue;
        }
        seen.insert(key);
        out.append({i, d});
    }
    return out;
}

catalogue::ListEntry entryAt(const QList<TContentRecord>& records, ContentKind page, ListSide side,
                             qsizetype index) {
    const QString name = catalogue::listEntryOf(records[index], page, side);
    int occurrence = 0;
    for (qsizetype i = 0; i < index; ++i) {
        if (catalogue::isOnList(records[i], page, side) &&
            catalogue::listEntryOf(records[i], page, side) == name)
            ++occurrence;
    }
    return {name, occurrence};
}

QString reinstallablePath(const TContentRecord& r) {
    if (catalogue::isWithoutArchive(r))
        return {};
    const QString path = catalogue::archivePathOf(r);
    return QFileInfo(path).isFile() ? path : QString();
}

QList<catalogue::ListEntry> entriesOf(const QList<MissingFiles>& entries, ContentKind page) {
    QList<catalogue::ListEntry> out;
    for (const MissingFiles& m : entries) {
        if (m.page == page)
            out.append(m.entry);
    }
    return out;
}

} // namespace install::verifying
