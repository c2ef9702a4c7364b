#include "intake/demos.h"

#include "archive/archive_formats.h"
#include "core/archive_calls.h"
#include "core/temp_folder.h"
#include "intake/folder_search.h"
#include "platform/dialogs.h"
#include "platform/file_helpers.h"
#include "platform/folder_index.h"
#include "platform/game_programs.h"
#include "platform/process.h"
#include "platform/status_sink.h"
#include "platform/text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace intake {

namespace {

void warn(CommandContext& ctx, const QString& text) {
    ctx.dialogs.message(platform::MsgKind::Warning, text, platform::Ok, DemoMessageOffset);
}

/// Both name the same folder (links and spellings such as "a//b" or a
/// trailing "/" resolved), so a demo is never copied onto itself.
bool sameFolder(const QString& a, const QString& b) {
    const QString ca = QFileInfo(a).canonicalFilePath();
    const QString cb = QFileInfo(b).canonicalFilePath();
    if (!ca.isEmpty() && !cb.isEmpty())
        return ca == cb;
    return QDir::cleanPath(a) == QDir::cleanPath(b);
}

/// `wanted`, or when the folder already holds that name (ignoring case, as
/// the game looks it up) the first free "stem_2.ext", "stem_3.ext", ...
QString freeName(CommandContext& ctx, const QString& folder, const QString& wanted) {
    if (!ctx.folders.exists(folder, wanted))
        return wanted;
    const qsizetype dot = wanted.lastIndexOf(u'.');
    const QString stem = dot < 0 ? wanted : wanted.left(dot);
    const QString ext = dot < 0 ? QString() : wanted.mid(dot);
    // Ends: each try that fails is a different name the folder holds.
    for (int n = 2;; ++n) {
        const QString candidate = stem + u'_' + QString::number(n) + ext;
        if (!ctx.folders.exists(folder, candidate))
            return candidate;
    }
}

/// Removes a file, link or folder tree, never following links.
void removeEntry(CommandContext& ctx, const QString& path) {
    platform::removeTree(path);
    ctx.folders.removed(path);
}

/// Extracts every entry of an archive into TempDir (flat where its format
/// can) and brings the files of its folders up; other files extract
/// nothing.
void extractIntoTemp(CommandContext& ctx, const QString& path) {
    if (archives::formatOf(path)) {
        core::ExtractRequest request;
        request.archive = path;
        request.target = ctx.state.TempDir;
        // A demo that did not come out is said by the search for it.
        core::ExtractArchive(ctx, request);
    }
    core::FlattenTempFolderFully(ctx);
}

/// The lower-cased extension with its dot, as the launch tells demos from
/// archives.
QString fileTypeOf(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot).toLower();
}

/// Copies `from` into the game's Demos folder under a free form of `name`
/// with "_" for spaces; the launch then owns `launch.copiedPath`. A copy
/// that fails is not reported: the game then finds no demo.
void copyIntoGame(CommandContext& ctx, const QString& from, const QString& demos,
                  const QString& name, DemoLaunch& launch) {
    QString spaced = name;
    spaced.replace(u' ', u'_');
    launch.Name = freeName(ctx, demos, spaced);
    const QString target = demos + u'/' + launch.Name;
    if (QFile::copy(from, target)) {
        launch.copiedPath = target;
        ctx.folders.added(target);
    }
}

} // namespace

QString gameDemosFolder(const AppState& s) {
    if (s.GameDir.isEmpty())
        return {};
    return platform::resolveIgnoringCase(s.GameDir, u"Demos"_s);
}

QString demoFolderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash);
}

QString demoCountText(qsizetype count) {
    return u"  "_s + QString::number(count) + u" file(s) found"_s;
}

bool DemoCatalog::scan(CommandContext& ctx, TmFileScan& fScan) {
    AppState& s = ctx.state;
    if (s.DemosListed)
        return false;
    DemoPaths.clear();
    ctx.status.setStatus(u"  Scanning for demos. Please wait."_s);
    if (const QString demos = gameDemosFolder(s); !demos.isEmpty()) {
        for (const platform::FileEntry& e : platform::listByMask(demos, u"*.demo4"_s))
            DemoPaths.append(demos + u'/' + e.name);
    }
    if (!s.DemosDir.isEmpty()) {
        fScan.SubDirs = s.ScanSubDirs;
        DemoPaths += RunFolderSearch(fScan, s.DemosDir, archives::archiveMasks() << u"*.demo4"_s);
    }
    s.DemosListed = true;
    return true;
}

QStringList DemoCatalog::folders() const {
    QStringList out;
    for (const QString& path : DemoPaths) {
        const QString folder = demoFolderOf(path);
        if (!out.contains(folder))
            out.append(folder);
    }
    return out;
}

QStringList DemoCatalog::names(const QString& folder) const {
    QStringList out;
    for (const QString& path : DemoPaths) {
        if (folder.isEmpty() || demoFolderOf(path) == folder)
            out.append(platform::fileNamePart(path));
    }
    return out;
}

QString DemoCatalog::pathAt(const QString& folder, int row, const QString& text) const {
    if (row < 0)
        return {};
    if (folder.isEmpty())
        return DemoPaths.value(row);
    return folder + u'/' + text;
}

std::optional<DemoLaunch> PrepareDemo(CommandContext& ctx, const QString& path) {
    AppState& s = ctx.state;
    if (!QFileInfo(path).isFile()) {
        warn(ctx, u"Couldn't launch demo "_s + path);
        return std::nullopt;
    }
    const QString demos = gameDemosFolder(s);
    if (demos.isEmpty()) {
        // No game to bring the demo to, nor to start.
        ctx.dialogs.plainMessage(u"Error Terror"_s);
        return std::nullopt;
    }
    if (!QFileInfo(demos).isDir() && QDir().mkpath(demos))
        ctx.folders.added(demos);

    DemoLaunch launch;
    const QString name = platform::fileNamePart(path);
    const QString fileType = fileTypeOf(name);
    if (fileType == u".demo4"_s) {
        if (!sameFolder(demoFolderOf(path), demos)) {
            copyIntoGame(ctx, path, demos, name, launch);
        } else if (name.contains(u' ')) {
            // The game's own demo gets "_" for its spaces, in place.
            QString spaced = name;
            spaced.replace(u' ', u'_');
            launch.Name = freeName(ctx, demos, spaced);
            const QString renamed = demos + u'/' + launch.Name;
            if (QFile::rename(path, renamed)) {
                ctx.folders.removed(path);
                ctx.folders.added(renamed);
            }
        } else {
            launch.Name = name;
        }
    } else {
        std::optional<platform::FileEntry> demo;
        {
            core::ExtractedIntoTemp extracted(ctx);
            if (!s.TempDir.isEmpty())
                extractIntoTemp(ctx, path);
            for (const platform::FileEntry& e : extracted.added()) {
                if (!e.isDir && platform::matchesMask(u"*.demo4"_s, e.name)) {
                    demo = e;
                    break;
                }
            }
            if (demo)
                copyIntoGame(ctx, demo->path, demos, demo->name, launch);
        }
        if (!demo) {
            warn(ctx, u"Not a valid UT2004 demo-file"_s);
            return std::nullopt;
        }
    }

    launch.execFile = s.SystemDir + u"rundemo.txt"_s;
    try {
        platform::writeLines(launch.execFile,
                             {u"demoplay "_s + launch.Name.left(launch.Name.size() - 6)});
    } catch (...) {
        if (!launch.copiedPath.isEmpty())
            removeEntry(ctx, launch.copiedPath);
        throw;
    }
    return launch;
}

void PlayDemo(CommandContext& ctx, const DemoLaunch& launch,
              const std::function<void(bool shown)>& showWarning) {
    // The exec file and the launch's own copy go on every way out; a demo
    // that was there before stays.
    struct Cleanup {
        CommandContext& ctx;
        const DemoLaunch& launch;
        const std::function<void(bool)>& showWarning;
        ~Cleanup() {
            QFile::remove(launch.execFile);
            if (!launch.copiedPath.isEmpty())
                removeEntry(ctx, launch.copiedPath);
            if (showWarning)
                showWarning(false);
        }
    } cleanup{ctx, launch, showWarning};

    if (showWarning)
        showWarning(true);
    const QString systemDir = ctx.state.SystemDir;
    const QString player = platform::findDemoPlayer(systemDir);
    if (player.isEmpty() || !QFileInfo(player).isExecutable()) {
        ctx.dialogs.plainMessage(u"Error Terror"_s);
        return;
    }
    // A game that crashes or is killed has ended all the same: the clean-up
    // follows without a word.
    if (!ctx.processes.runAndWait(player, {u"exec=rundemo.txt"_s}, systemDir).started())
        warn(ctx, u"Couldn't launch demo"_s);
}

void LaunchDemo(CommandContext& ctx, const QString& path,
                const std::function<void(bool shown)>& showWarning) {
    if (const std::optional<DemoLaunch> launch = PrepareDemo(ctx, path))
        PlayDemo(ctx, *launch, showWarning);
}

bool DeleteDemo(CommandContext& ctx, const QString& path) {
    if (!QFileInfo(path).isFile()) {
        warn(ctx, u"Couldn't delete file "_s + path);
        return false;
    }
    core::MoveToRecycleBin(ctx, path);
    return true;
}

} // namespace intake
