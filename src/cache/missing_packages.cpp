#include "cache/missing_packages.h"

#include "core/file_info.h"
#include "install/game_paths.h"
#include "platform/dialogs.h"
#include "platform/folder_index.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <exception>

using namespace Qt::Literals::StringLiterals;

namespace cache {

namespace {

/// Larger package files than any map ships are not extracted to be read.
constexpr qint64 MaxPackageBytes = qint64(512) << 20;

QString stemOf(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot < 0 ? fileName : fileName.left(dot);
}

/// The record's package files by their placed names, each once.
QStringList packageFilesOf(const TContentRecord& record) {
    QStringList out;
    QSet<QString> seen;
    const qsizetype count = qBound(qsizetype(0), qsizetype(record.FileCount), record.Files.size());
    for (qsizetype i = 0; i < count; ++i) {
        const QString name = catalogue::placedFileName(record.Files[i]);
        if (!isPackageFile(name) || seen.contains(name.toCaseFolded()))
            continue;
        seen.insert(name.toCaseFolded());
        out.append(name);
    }
    return out;
}

PackageImports readPackage(const QString& path, const QString& fileName) {
    PackageImports out;
    out.fileName = fileName;
    try {
        TUTPackage package;
        package.OpenPackage(path);
        out.imports = importedPackages(package, stemOf(fileName));
        out.readable = true;
    } catch (const std::exception&) {
        out.readable = false;
    }
    return out;
}

/// The package files of an installed record, read where the game has them;
/// one that is not there is left to Verify's missing files.
QList<PackageImports> readInstalled(CommandContext& ctx, const QStringList& packages,
                                    ImportsCache& cache) {
    QList<PackageImports> out;
    for (const QString& name : packages) {
        const std::optional<QString> folderValue = catalogue::gameFolderForFile(ctx.state, name);
        if (!folderValue)
            continue;
        const QString folder = install::detail::gameFolder(ctx, *folderValue);
        const std::optional<QString> path = ctx.folders.find(folder, name);
        if (!path)
            continue;
        if (const QList<PackageImports>* known = cache.find(*path)) {
            out += *known;
            continue;
        }
        const PackageImports read = readPackage(*path, name);
        cache.store(*path, {read});
        out.append(read);
    }
    return out;
}

/// The package files of a record's archive, each extracted alone into a
/// scratch folder, read and deleted again.
QList<PackageImports> readArchive(CommandContext& ctx, const TContentRecord& record,
                                  const QStringList& packages, ImportsCache& cache) {
    const QString archive = catalogue::archivePathOf(record);
    if (const QList<PackageImports>* known = cache.find(archive))
        return *known;
    QList<PackageImports> out;
    const QTemporaryDir scratch;
    const bool there = QFileInfo(archive).isFile() && scratch.isValid();
    for (const QString& name : packages) {
        QString copy;
        try {
            if (there)
                copy = file_info::ExtractRecordedFile(ctx, record, name, scratch.path(), true,
                                                      MaxPackageBytes);
        } catch (const std::exception&) {
            copy.clear();
        }
        if (copy.isEmpty()) {
            out.append({name, false, {}});
            continue;
        }
        out.append(readPackage(copy, name));
        QFile::remove(copy);
    }
    if (there)
        cache.store(archive, out);
    return out;
}

/// Whether the game folders hold a package of this name, any package
/// extension, ignoring case; each folder resolved once.
class GameLookup {
public:
    explicit GameLookup(CommandContext& ctx) : ctx_(ctx) {}
    bool has(const QString& packageName) {
        for (const QString& ext : packageExtensions()) {
            const std::optional<QString> value = catalogue::gameFolderForExtension(ctx_.state, ext);
            if (!value)
                continue;
            auto it = folders_.constFind(*value);
            if (it == folders_.constEnd())
                it = folders_.insert(*value, install::detail::gameFolder(ctx_, *value));
            if (ctx_.folders.exists(*it, packageName + ext))
                return true;
        }
        return false;
    }

private:
    CommandContext& ctx_;
    QHash<QString, QString> folders_;
};

} // namespace

const QList<PackageImports>* ImportsCache::find(const QString& path) const {
    const auto it = entries_.constFind(path);
    if (it == entries_.constEnd() || !(it->stamp == platform::FileStamp::of(path)))
        return nullptr;
    return &it->packages;
}

void ImportsCache::store(const QString& path, QList<PackageImports> packages) {
    ++reads_;
    entries_.insert(path, {platform::FileStamp::of(path), std::move(packages)});
}

QString needsLine(const ContentNeeds& needs) {
    if (needs.noGame)
        return u"Needs: unknown while no game folder is set"_s;
    QString line = needs.missing.isEmpty() ? u"Needs nothing missing"_s
                                           : u"Needs "_s + needs.missing.join(u", "_s);
    if (!needs.unreadable.isEmpty())
        line += u"; unreadable: "_s + needs.unreadable.join(u", "_s);
    return line;
}

ContentNeeds NeedsOf(CommandContext& ctx, const TContentRecord& record, ImportsCache& cache) {
    ContentNeeds needs;
    if (ctx.state.GameDir.isEmpty()) {
        needs.noGame = true;
        return needs;
    }
    const QStringList packages = packageFilesOf(record);
    if (packages.isEmpty())
        return needs;
    const QList<PackageImports> read = record.Installed == 1
                                           ? readInstalled(ctx, packages, cache)
                                           : readArchive(ctx, record, packages, cache);
    // What the archive ships itself is never missing.
    QSet<QString> known;
    for (const QString& name : packages)
        known.insert(stemOf(name).toCaseFolded());
    GameLookup game(ctx);
    for (const PackageImports& package : read) {
        if (!package.readable) {
            needs.unreadable.append(package.fileName);
            continue;
        }
        for (const ImportedPackage& import : package.imports) {
            const QString key = import.name.toCaseFolded();
            if (known.contains(key))
                continue;
            known.insert(key);
            if (!game.has(import.name))
                needs.missing.append(import.fileName());
        }
    }
    return needs;
}

bool ConfirmInstall(CommandContext& ctx, const TContentRecord& record, ImportsCache& cache,
                    bool& yesToAll) {
    if (yesToAll)
        return true;
    const ContentNeeds needs = NeedsOf(ctx, record, cache);
    if (needs.missing.isEmpty())
        return true;
    QString name = record.DisplayName.isEmpty() ? record.ArchiveName : record.DisplayName;
    // A map is named as the game names it, without the file's extension.
    if (catalogue::isMapFile(name))
        name.chop(4);
    const platform::Button answer =
        ctx.dialogs.message(platform::MsgKind::Confirmation,
                            name + u" needs "_s + needs.missing.join(u", "_s) +
                                u", which are not installed. Install anyway?"_s,
                            platform::Yes | platform::No | platform::YesToAll, QPoint(75, 75));
    if (answer == platform::YesToAll)
        yesToAll = true;
    return answer == platform::Yes || answer == platform::YesToAll;
}

void AskBeforeInstall(CommandContext& ctx, const std::shared_ptr<ImportsCache>& cache) {
    ctx.beforeInstall = [cache](CommandContext& run, const TContentRecord& record, bool& yesToAll) {
        return ConfirmInstall(run, record, *cache, yesToAll);
    };
}

QList<InstalledNeeds> InstalledWithMissingImports(CommandContext& ctx, ImportsCache& cache) {
    using catalogue::ContentKind;
    using catalogue::ListSide;
    QList<InstalledNeeds> out;
    for (const catalogue::RecordFileOf file : catalogue::recordFileMembers()) {
        const QString path = (ctx.state.*file)();
        if (!QFileInfo::exists(path))
            continue;
        const QList<TContentRecord> records = content_db::ReadAll(path);
        QHash<QString, int> seen;
        for (const TContentRecord& r : records) {
            const ContentKind page = catalogue::kindOfRecord(file, r.Kind);
            if (!catalogue::isOnList(r, page, ListSide::Installed))
                continue;
            const QString name = catalogue::listEntryOf(r, page, ListSide::Installed);
            const int occurrence = seen[QString::number(int(page)) + name]++;
            ContentNeeds needs = NeedsOf(ctx, r, cache);
            if (needs.missing.isEmpty() && needs.unreadable.isEmpty())
                continue;
            out.append({page, {name, occurrence}, r.ArchiveName, std::move(needs)});
        }
    }
    return out;
}

} // namespace cache
