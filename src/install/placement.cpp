#include "install/placement.h"

#include "archive/archive_formats.h"
#include "archive/safe_path.h"
#include "core/content_catalogue.h"
#include "core/keep_painted.h"
#include "core/shared_files.h"
#include "install/game_paths.h"
#include "platform/dialogs.h"
#include "platform/folder_index.h"

#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace install {

namespace {

/// The game folder of each category, in category order.
constexpr std::array<QString AppState::*, CategoryCount> CategoryFolders = {
    &AppState::AnimationsDir, &AppState::MapsDir,         &AppState::MusicDir,
    &AppState::SoundsDir,     &AppState::StaticMeshesDir, &AppState::KarmaDataDir,
    &AppState::TexturesDir,   &AppState::SystemDir,
};

/// The extensions that fill a category's list, in the order they are
/// asked about: the extension table's files of its folder (help files
/// aside).
QList<const catalogue::ExtensionRule*> listSources(InstallCategory category) {
    QList<const catalogue::ExtensionRule*> sources;
    for (const catalogue::ExtensionRule& rule : catalogue::extensionTable()) {
        if (!rule.extra && rule.folder == CategoryFolders[std::size_t(category)])
            sources.append(&rule);
    }
    std::stable_sort(sources.begin(), sources.end(),
                     [](const auto* a, const auto* b) { return a->askRank < b->askRank; });
    return sources;
}

/// The game's own .int files that are merged and never asked about; the
/// names as the game writes them, compared exactly.
bool isGameIntFile(const QString& name) {
    return name == u"XMaps.int"_s || name == u"XPlayers.int"_s || name == u"XWeapons.int"_s;
}

/// The folder each category is looked in.
QString categoryDir(const AppState& s, InstallCategory category) {
    return s.*CategoryFolders[std::size_t(category)];
}

/// The names of `lists` (maps excepted) that are not among `existing` but
/// that an installed record lists: the file's users are the records, also
/// where the file is missing.
QStringList listedElsewhere(const AppState& s, const InstallFileList& lists,
                            const QStringList& existing, const catalogue::RecordedUses& inUse) {
    QStringList out;
    for (int category = 0; category < CategoryCount; ++category) {
        if (category == Maps)
            continue;
        for (const QString& name : lists.lists[static_cast<std::size_t>(category)]) {
            if (existing.contains(name, Qt::CaseInsensitive) ||
                out.contains(name, Qt::CaseInsensitive))
                continue;
            const std::optional<QString> folder = catalogue::gameFolderForFile(s, name);
            if (folder && inUse.uses(*folder, name) > 0)
                out.append(name);
        }
    }
    return out;
}

/// Where the data folder is on another file system than the game, what
/// an install replaces is kept there as a copy: the game files of TempDir's
/// names (help files aside, they are renamed) must fit its free space. A
/// text saying why they do not; empty when they do, or when the files are
/// kept as hard links.
QString keepingShortage(CommandContext& ctx) {
    const QString game = detail::gameFolder(ctx, ctx.state.GameDir);
    if (QStorageInfo(ctx.state.ProgramDir).device() == QStorageInfo(game).device())
        return {};
    archives::ExtractionBudget keep(ctx.backends.limits(), ctx.state.ProgramDir);
    for (const platform::FileEntry& file : detail::tempFiles(ctx)) {
        const std::optional<QString> folder = catalogue::gameFolderForFile(ctx.state, file.name);
        if (!folder || *folder == ctx.state.HelpDir)
            continue;
        if (const auto existing = ctx.folders.find(detail::gameFolder(ctx, *folder), file.name))
            keep.addFile(quint64(std::max<qint64>(QFileInfo(*existing).size(), 0)));
    }
    if (keep.bytes() == 0 || keep.fits())
        return {};
    return u"not enough free space in the data folder to keep the game's files it replaces. "_s +
           QString(keep.shortageText()).replace(u'\r', u' ');
}

} // namespace

InstallFileList BuildInstallFileList(CommandContext& ctx) {
    InstallFileList list;
    const QList<platform::FileEntry> files = detail::tempFiles(ctx);
    for (int category = 0; category < CategoryCount; ++category) {
        QStringList& names = list.lists[std::size_t(category)];
        for (const catalogue::ExtensionRule* source : listSources(InstallCategory(category))) {
            for (const platform::FileEntry& f : files) {
                if (!catalogue::hasExtension(f.name, source->ext))
                    continue;
                if (category == System && isGameIntFile(f.name))
                    continue;
                names.append(f.name);
            }
        }
    }
    return list;
}

std::optional<QStringList> CheckExistingFiles(CommandContext& ctx, RunProgress& progress,
                                              const InstallFileList& lists) {
    static constexpr InstallCategory visitOrder[] = {Animations,   Maps,     Music,     Sounds,
                                                     StaticMeshes, Textures, KarmaData, System};
    bool always = ctx.state.OverwriteAlways;
    QStringList existing;
    for (const InstallCategory category : visitOrder) {
        const QStringList& names = lists.lists[static_cast<std::size_t>(category)];
        if (names.isEmpty())
            continue;
        const QString folder = detail::gameFolder(ctx, categoryDir(ctx.state, category));
        for (const QString& name : names) {
            if (!ctx.folders.exists(folder, name))
                continue;
            if (!always) {
                const platform::Button answer = ctx.dialogs.message(
                    platform::MsgKind::Warning, name + u" already exists. Proceed anyway?"_s,
                    platform::Yes | platform::No | platform::YesToAll, QPoint(75, 75));
                // A box closed without a choice refuses, as "&No" does.
                if (answer != platform::Yes && answer != platform::YesToAll) {
                    --progress.ProgressTotal;
                    return std::nullopt;
                }
                // No window here: let the status bar repaint after the box.
                KeepPainted{}();
                if (answer == platform::YesToAll) {
                    ctx.state.OverwriteAlways = true;
                    always = true;
                }
            }
            // One archive is one user of a file, however often it holds it.
            if (category != Maps && !existing.contains(name, Qt::CaseInsensitive))
                existing.append(name);
        }
    }
    return existing;
}

void RegisterSharedFiles(CommandContext& ctx, const QStringList& names) {
    if (names.isEmpty())
        return;
    const QString path = ctx.state.sharedDataPath();
    catalogue::SharedFiles shared = catalogue::SharedFiles::load(path);
    shared.registerExisting(names);
    shared.writeAll(path);
}

Placement PlaceArchive(CommandContext& ctx, RunProgress& progress, const QString& archivePath,
                       const std::function<void(const QStringList& existing)>& beforeCopying,
                       const catalogue::RecordedUses* inUse, RunJournal* journal) {
    Placement placement;
    // Room for what this archive would place, checked before anything is
    // asked or copied: a full game disk would otherwise take half of it.
    archives::ExtractionBudget room(ctx.backends.limits(),
                                    detail::gameFolder(ctx, ctx.state.GameDir));
    for (const platform::FileEntry& file : detail::tempFiles(ctx)) {
        const std::optional<QString> folder = catalogue::gameFolderForFile(ctx.state, file.name);
        const bool extra = folder && *folder == ctx.state.HelpDir;
        if (folder && (!extra || ctx.state.InstallExtraFiles))
            room.addFile(quint64(std::max<qint64>(QFileInfo(file.path).size(), 0)));
    }
    if (!room.fits()) {
        placement.refusal = u"not enough free space in the game's folders. "_s +
                            QString(room.shortageText()).replace(u'\r', u' ');
        return placement;
    }
    if (journal) {
        if (const QString shortage = keepingShortage(ctx); !shortage.isEmpty()) {
            placement.refusal = shortage;
            return placement;
        }
    }
    const InstallFileList lists = BuildInstallFileList(ctx);
    const std::optional<QStringList> existing = CheckExistingFiles(ctx, progress, lists);
    if (!existing)
        return placement;
    placement.accepted = true;
    placement.existing = *existing;
    if (inUse)
        placement.existing += listedElsewhere(ctx.state, lists, placement.existing, *inUse);
    if (beforeCopying)
        beforeCopying(placement.existing);
    placement.copied = CopyToGameFolders(ctx, progress, false, archivePath, journal);
    return placement;
}

void RunJournal::undo(CommandContext& ctx) {
    txn.undo(ops);
    for (const txn::Op& op : std::as_const(ops)) {
        if (op.kind == txn::Op::Created)
            ctx.folders.removed(op.path);
        else
            ctx.folders.added(op.path);
    }
    for (const QString& path : std::as_const(keptNow))
        originals.drop(path);
    ops.clear();
    keptNow.clear();
}

bool PlaceExtractedFiles(CommandContext& ctx, RunProgress& progress, const QString& archivePath) {
    const Placement placement =
        PlaceArchive(ctx, progress, archivePath,
                     [&ctx](const QStringList& existing) { RegisterSharedFiles(ctx, existing); });
    return placement.accepted && progress.ProgressDone > 0;
}

} // namespace install
