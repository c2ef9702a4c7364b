#include "core/file_conflicts.h"

#include "core/shared_files.h"

#include <QFileInfo>
#include <QHash>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace core::file_conflicts {

namespace {

/// The key a game file is known by; empty for a file the install does not
/// place under its own name.
QString keyOf(const AppState& state, const QString& entry) {
    const QString name = catalogue::placedFileName(entry);
    if (name.isEmpty() || catalogue::isNumberedPicture(name) || catalogue::isRenamedReadme(name))
        return {};
    const std::optional<QString> folder = catalogue::gameFolderForFile(state, name);
    return folder ? catalogue::gameFileKey(*folder, name) : QString();
}

/// Each user as its installed list shows it, with the record's archive.
struct User {
    QString shown;
    QString archive;
};

struct Collected {
    QList<SharedFile> files;
    QList<QList<User>> users; ///< per file, with archives
    QHash<QString, qsizetype> byKey;
};

void collect(Collected& c, const AppState& state, const QList<TContentRecord>& records,
             catalogue::RecordFileOf file) {
    using catalogue::ContentKind;
    for (const TContentRecord& r : records) {
        const ContentKind page = catalogue::kindOfRecord(file, r.Kind);
        if (!catalogue::isOnList(r, page, catalogue::ListSide::Installed))
            continue;
        const User user{catalogue::listEntryOf(r, page, catalogue::ListSide::Installed),
                        r.ArchiveName};
        const qsizetype count = qBound(qsizetype(0), qsizetype(r.FileCount), r.Files.size());
        QStringList keysSeen;
        for (qsizetype i = 0; i < count; ++i) {
            const QString key = keyOf(state, r.Files[i]);
            // A record counts once per file however often it lists it.
            if (key.isEmpty() || keysSeen.contains(key))
                continue;
            keysSeen.append(key);
            auto it = c.byKey.constFind(key);
            if (it == c.byKey.constEnd()) {
                it = c.byKey.insert(key, c.files.size());
                c.files.append(SharedFile{catalogue::placedFileName(r.Files[i]), {}, false});
                c.users.append(QList<User>());
            }
            c.files[*it].users.append(user.shown);
            c.users[*it].append(user);
        }
    }
}

Collected collectAll(const AppState& state, const RecordsOf& records, const QString& sharedPath) {
    Collected c;
    for (const catalogue::RecordFileOf file : catalogue::recordFileMembers())
        collect(c, state, records(file), file);
    if (QFileInfo::exists(sharedPath)) {
        const catalogue::SharedFiles counts = catalogue::SharedFiles::load(sharedPath);
        for (SharedFile& file : c.files)
            file.gameHadIt = counts.count(file.fileName) > file.users.size();
    }
    return c;
}

} // namespace

RecordsOf readRecordFiles(const AppState& state, bool missingIsEmpty) {
    struct Read {
        QList<catalogue::RecordFileOf> files;
        QList<QList<TContentRecord>> records;
    };
    auto read = std::make_shared<Read>();
    for (const catalogue::RecordFileOf file : catalogue::recordFileMembers()) {
        const QString path = (state.*file)();
        read->files.append(file);
        read->records.append(missingIsEmpty && !QFileInfo::exists(path)
                                 ? QList<TContentRecord>()
                                 : content_db::ReadAll(path));
    }
    return [read](catalogue::RecordFileOf file) -> const QList<TContentRecord>& {
        return read->records.at(read->files.indexOf(file));
    };
}

QList<SharedFile> SharedFiles(const AppState& state, const RecordsOf& records,
                              const QString& sharedPath) {
    return collectAll(state, records, sharedPath).files;
}

QList<SharedFile> SharedFilesOnDisk(const AppState& state) {
    return collectAll(state, readRecordFiles(state, true), state.sharedDataPath()).files;
}

QList<SharedFile> Conflicts(const QList<SharedFile>& files) {
    QList<SharedFile> out;
    for (const SharedFile& file : files) {
        if (file.users.size() > 1)
            out.append(file);
    }
    return out;
}

QStringList reportSection(const QList<SharedFile>& conflicts) {
    QStringList out{QString(), u"Conflicts:"_s};
    for (const SharedFile& file : conflicts) {
        out.append(u"\t"_s + file.fileName);
        out.append(u"\t\tListed by: "_s + file.users.join(u", "_s));
        if (file.gameHadIt)
            out.append(u"\t\tThe game had it before"_s);
    }
    out.append(u"Total number of conflicts: "_s + QString::number(conflicts.size()));
    return out;
}

QStringList SharedWith(const AppState& state, const TContentRecord& record,
                       const QStringList& files) {
    QStringList cells(files.size());
    if (record.Installed != 1)
        return cells;
    const Collected c = collectAll(state, readRecordFiles(state, true), state.sharedDataPath());
    for (qsizetype i = 0; i < files.size(); ++i) {
        const auto it = c.byKey.constFind(keyOf(state, files[i]));
        if (it == c.byKey.constEnd())
            continue;
        QStringList parts;
        QStringList others;
        bool selfSkipped = false;
        for (const User& user : c.users[*it]) {
            // The record itself is one of the users; equal records are others.
            if (!selfSkipped && user.archive == record.ArchiveName) {
                selfSkipped = true;
                continue;
            }
            others.append(user.shown);
        }
        if (!others.isEmpty())
            parts.append(others.join(u", "_s));
        if (c.files[*it].gameHadIt)
            parts.append(u"the game had it before"_s);
        cells[i] = parts.join(u"; "_s);
    }
    return cells;
}

} // namespace core::file_conflicts
