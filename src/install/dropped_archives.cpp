#include "install/dropped_archives.h"

#include "archive/archive_formats.h"
#include "platform/atomic_file.h"
#include "platform/dialogs.h"
#include "platform/file_helpers.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace install {

namespace {

/// Why a dropped path is not copied; empty when it is an archive to copy.
QString refusal(const QFileInfo& file) {
    if (file.isDir())
        return u"it is a folder, not a "_s + archives::extensionsText(u" or "_s) + u" archive"_s;
    if (!file.isFile())
        return u"it is not there any more"_s;
    if (!archives::formatOf(file.fileName()))
        return u"it is not a "_s + archives::extensionsText(u" or "_s) + u" archive"_s;
    return {};
}

} // namespace

QString dropFolder(const AppState& state, catalogue::ContentKind kind) {
    const catalogue::KindDescriptor& d = catalogue::describe(kind);
    return state.*d.archiveFolderSet ? state.*d.archiveFolder : QString();
}

DropResult CopyDroppedArchives(CommandContext& ctx, catalogue::ContentKind kind,
                               const QStringList& paths) {
    DropResult result;
    const QString folder = dropFolder(ctx.state, kind);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        result.noFolder = true;
        const QString why = folder.isEmpty() ? u"no "_s + catalogue::describe(kind).one.toString() +
                                                   u" folder is set"_s
                                             : u"its folder "_s + folder + u" is not there"_s;
        ctx.dialogs.message(platform::MsgKind::Error,
                            u"Archives cannot be dropped on the "_s +
                                catalogue::describe(kind).page.toString() + u" page: "_s + why +
                                u".\r\rSet the folder on the Configure page and save, then drop "
                                u"them again."_s,
                            platform::Ok, QPoint(50, 125));
        return result;
    }
    bool replaceAll = false;
    for (const QString& path : paths) {
        const QFileInfo file(path);
        const QString name = file.fileName();
        if (const QString why = refusal(file); !why.isEmpty()) {
            result.refused.append(name + u": "_s + why);
            continue;
        }
        const QString target = platform::withSlash(folder) + name;
        const QFileInfo existing(target);
        if (existing.exists() && existing.canonicalFilePath() == file.canonicalFilePath()) {
            result.refused.append(name + u": it is in the folder already"_s);
            continue;
        }
        if (existing.exists() && !replaceAll) {
            const platform::Button answer = ctx.dialogs.message(
                platform::MsgKind::Confirmation,
                name + u" already exists in "_s + QDir::cleanPath(folder) + u". Replace it?"_s,
                platform::Yes | platform::No | platform::YesToAll, QPoint(75, 75));
            if (answer == platform::YesToAll)
                replaceAll = true;
            else if (answer != platform::Yes) {
                result.refused.append(name + u": the file there was kept"_s);
                continue;
            }
        }
        if (const platform::Outcome copied = platform::copyFileAtomically(path, target); !copied) {
            result.refused.append(name + u": "_s + copied.error());
            continue;
        }
        result.copied.append(target);
    }
    return result;
}

void ReportRefusedDrops(CommandContext& ctx, const DropResult& result) {
    if (result.refused.isEmpty())
        return;
    ctx.dialogs.message(platform::MsgKind::Warning,
                        u"These files were not copied:\r"_s + result.refused.join(u'\r') +
                            u"\r\rOnly "_s + archives::extensionsText(u" and "_s) +
                            u" archives can be dropped here."_s,
                        platform::Ok, QPoint(50, 125));
}

} // namespace install
