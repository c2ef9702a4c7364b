#include "core/reports.h"

#include "core/content_lists.h"
#include "core/file_conflicts.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/status_sink.h"
#include "platform/text_file.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace core::reports {

namespace {

void section(QStringList& out, const QString& heading, const QStringList& entries) {
    out.append(heading);
    for (const QString& e : entries)
        out.append(u'\t' + e);
}

void block(QStringList& out, const QString& title, const TContentRecord& r, bool full) {
    out.append(title + r.DisplayName);
    out.append(u"\t\tName of archive: "_s + r.ArchiveName);
    out.append(u"\t\tPlace on disk: "_s + r.ArchiveDir);
    out.append(u"\t\tAdded to database: "_s + r.AddedDate);
    out.append(u"\t\tInstalled date : "_s +
               (r.InstallDate.isEmpty() ? u"Not installed"_s : r.InstallDate));
    out.append(u"\t\tTotal Number of files: "_s + QString::number(r.FileCount));
    if (full && r.FileCount >= 2) {
        out.append(u"\t\t\tAdditional files: "_s);
        for (const QString& f : r.Files) {
            if (f != r.DisplayName)
                out.append(u"\t\t\t\t"_s + f);
        }
    }
    out.append(QString());
}

/// The texts of one kind's part of the record list.
struct KindTexts {
    QString heading; ///< "Maps:"
    QString title;   ///< before each record's name
    QString total;   ///< before the count
};

/// One kind's blocks and its total line.
template <typename Keep>
void kind(QStringList& out, const KindTexts& texts, const QList<TContentRecord>& records, bool full,
          Keep keep) {
    const auto& [heading, title, total] = texts;
    out.append(heading);
    int count = 0;
    for (const TContentRecord& r : records) {
        if (!keep(r))
            continue;
        block(out, title, r, full);
        ++count;
    }
    out.append(total + QString::number(count));
}

} // namespace

QStringList briefList(const ListsSnapshot& l) {
    QStringList out;
    section(out, u"Maps (installed):"_s, l.mapsInstalled);
    out.append(QString());
    section(out, u"Maps (not installed):"_s, l.mapsNotInstalled);
    out.append(u"Total number of maps: "_s +
               QString::number(l.mapsInstalled.size() + l.mapsNotInstalled.size()));
    out.append(QString());
    section(out, u"Mutators (installed):"_s, l.mutatorsInstalled);
    out.append(QString());
    section(out, u"Mutators (not installed):"_s, l.mutators);
    out.append(u"Total number of mutators: "_s +
               QString::number(l.mutatorsInstalled.size() + l.mutators.size()));
    out.append(QString());
    section(out, u"Skins (installed):"_s, l.skinsInstalled);
    out.append(QString());
    section(out, u"Skins (not installed):"_s, l.skins);
    out.append(u"Total number of skins: "_s +
               QString::number(l.skinsInstalled.size() + l.skins.size()));
    return out;
}

QStringList recordList(const QList<TContentRecord>& maps, const QList<TContentRecord>& mods,
                       bool full) {
    QStringList out;
    kind(out, {u"Maps:"_s, u"\tName of Map: "_s, u"Total Number of maps: "_s}, maps, full,
         [](const TContentRecord& r) { return r.Kind < 10; });
    out.append(QString());
    kind(out, {u"Mutators:"_s, u"\tName of Mutator: "_s, u"Total Number of mutators: "_s}, mods,
         full, [](const TContentRecord& r) { return r.Kind < 2; });
    out.append(QString());
    kind(out, {u"Skins:"_s, u"\tName of Skin: "_s, u"Total Number of skins: "_s}, mods, full,
         [](const TContentRecord& r) { return r.Kind >= 2 && r.Kind <= 9; });
    return out;
}

void BriefList1Click(CommandContext& ctx, Level level, const ListsSnapshot& lists) {
    const QString file =
        ctx.dialogs.saveFile(u"Make List"_s, QString(), u"Textfile (*.txt)"_s, u"txt"_s);
    if (file.isEmpty()) {
        ctx.status.setStatus(u"Operation cancelled"_s);
        return;
    }
    WriteReport(ctx, level, lists, file);
}

void WriteReport(CommandContext& ctx, Level level, const ListsSnapshot& lists,
                 const QString& file) {
    const QString saving = level == Brief      ? u"  Saving brief list to "_s
                           : level == Detailed ? u"  Saving detailed list to "_s
                                               : u"  Saving full list to "_s;
    ctx.status.setStatus(saving + file);
    if (level == Brief) {
        platform::writeLines(file, briefList(lists));
        ctx.status.setStatus(u"  Brief list saved to "_s + file);
        return;
    }
    const QList<TContentRecord> maps = content_db::ReadAll(ctx.state.mapDataPath());
    const QList<TContentRecord> mods = content_db::ReadAll(ctx.state.modDataPath());
    QStringList lines = recordList(maps, mods, level == Full);
    if (level == Full)
        lines += file_conflicts::reportSection(file_conflicts::Conflicts(
            file_conflicts::SharedFiles(ctx.state, maps, mods, ctx.state.sharedDataPath())));
    platform::writeLines(file, lines);
    ctx.status.setStatus(u"  Detailed list saved to "_s + file);
}

ListsSnapshot listsAsLoaded(const AppState& state) {
    const MapLists maps = LoadMapLists(state, u"All"_s);
    const ModLists mods = LoadModLists(state, false);
    for (const QString* error : {&maps.error, &mods.error}) {
        if (!error->isEmpty())
            throw platform::Error(*error);
    }
    ListsSnapshot lists;
    lists.mapsInstalled = maps.installed;
    lists.mapsNotInstalled = maps.notInstalled;
    lists.mutatorsInstalled = mods.mutatorsInstalled;
    lists.mutators = mods.mutators;
    lists.skinsInstalled = mods.skinsInstalled;
    lists.skins = mods.skins;
    return lists;
}

} // namespace core::reports
