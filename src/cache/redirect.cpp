#include "cache/redirect.h"

#include "cache/redirect_work.h"
#include "core/content_catalogue.h"
#include "core/content_db.h"
#include "platform/errors.h"
#include "platform/file_helpers.h"
#include "platform/folder_index.h"

#include <QFileInfo>
#include <QMap>
#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace cache {

using redirect_work::sortIgnoringCase;
using redirect_work::uz2NameOf;

namespace {

QList<TContentRecord> recordsOf(const QString& path) {
    if (!QFileInfo::exists(path))
        return {};
    return content_db::ReadAll(path);
}

} // namespace

bool isRedirectPackage(const QString& fileName) {
    return catalogue::isPackageFile(fileName);
}

RedirectSources redirectSources(const AppState& state, platform::FolderIndex& folders) {
    if (state.GameDir.isEmpty())
        throw platform::Error(u"No game folder is set."_s);
    QList<TContentRecord> records;
    for (const QString& path : catalogue::recordFiles(state))
        records += recordsOf(path);

    RedirectSources out;
    QSet<QString> looked;                       // folder + case-folded recorded name
    QSet<QString> taken;                        // source paths
    QMap<QString, QList<RedirectSource>> byUz2; // case-folded .uz2 name: the files giving it
    QMap<QString, QString> missing;             // case-folded name: the name as recorded
    for (const TContentRecord& r : std::as_const(records)) {
        if (r.Installed != 1 || !catalogue::isListed(r))
            continue;
        const qsizetype count = qMin<qsizetype>(r.FileCount, r.Files.size());
        for (qsizetype i = 0; i < count; ++i) {
            const QString name = catalogue::placedFileName(r.Files[i]);
            if (name.isEmpty() || !isRedirectPackage(name))
                continue;
            const std::optional<QString> folder = catalogue::gameFolderForFile(state, name);
            if (!folder)
                continue;
            const QString key = *folder + u'\n' + name.toCaseFolded();
            if (looked.contains(key))
                continue;
            looked.insert(key);
            // Every case variant on disk: the game could load any of them.
            bool found = false;
            for (const QString& path : folders.findAll(*folder, name)) {
                if (!QFileInfo(path).isFile())
                    continue;
                found = true;
                if (taken.contains(path))
                    continue;
                taken.insert(path);
                const QString diskName = platform::fileNamePart(path);
                byUz2[uz2NameOf(diskName).toCaseFolded()].append(
                    {diskName, QFileInfo(path).absoluteFilePath()});
            }
            if (!found)
                missing.insert(name.toCaseFolded(), name);
        }
    }
    for (const QList<RedirectSource>& same : std::as_const(byUz2)) {
        if (same.size() == 1) {
            out.files.append(same.first());
            continue;
        }
        QStringList paths;
        for (const RedirectSource& s : same)
            paths.append(s.path);
        for (const RedirectSource& s : same) {
            out.clashes.append(
                {uz2NameOf(s.name),
                 u"The game finds packages ignoring case, and these files differ only in case: %1. "
                 "Keep one of them."_s.arg(paths.join(u", "_s))});
        }
    }
    out.missing = missing.values();
    sortIgnoringCase(out.missing);
    return out;
}

RedirectResult buildRedirect(CommandContext& ctx, const RedirectOptions& options,
                             const RedirectProgress& progress) {
    return buildRedirect(ctx.state, ctx.folders, options, progress);
}

QStringList redirectReport(const RedirectResult& result) {
    QStringList lines;
    for (const QString& name : result.compressed)
        lines.append(u"compressed "_s + name);
    for (const QString& name : result.pruned)
        lines.append(u"pruned "_s + name);
    for (const RedirectFailure& f : result.failed)
        lines.append(u"failed %1: %2"_s.arg(f.name, f.reason));
    for (const QString& name : result.missing)
        lines.append(u"missing %1 (installed, but not in its game folder)"_s.arg(name));
    if (!result.manifestProblem.isEmpty())
        lines.append(u"the manifest found was not used (%1); every .uz2 was compressed anew"_s.arg(
            result.manifestProblem));
    if (!result.manifestError.isEmpty())
        lines.append(u"the manifest was not saved: %1"_s.arg(result.manifestError));
    lines.append(
        u"%1 compressed, %2 unchanged, %3 pruned, %4 failed, %5 missing in %6 (%7 job(s))"_s
            .arg(result.compressed.size())
            .arg(result.unchanged.size())
            .arg(result.pruned.size())
            .arg(result.failed.size())
            .arg(result.missing.size())
            .arg(result.folder)
            .arg(result.jobs));
    return lines;
}

} // namespace cache
