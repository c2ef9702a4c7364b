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
    for (const catalogue::ContentKind k : catalogue::AllKinds) {
        const catalogue::KindDescriptor& d = catalogue::describe(k);
        const ListsSnapshot::Page& page = l.of(k);
        if (k != catalogue::AllKinds.front())
            out.append(QString());
        section(out, d.page.toString() + u" (installed):"_s, page.installed);
        out.append(QString());
        section(out, d.page.toString() + u" (not installed):"_s, page.notInstalled);
        out.append(u"Total number of "_s + d.many.toString() + u": "_s +
                   QString::number(page.installed.size() + page.notInstalled.size()));
    }
    return out;
}

QStringList recordList(const RecordsOf& records, bool full) {
    QStringList out;
    for (const catalogue::ContentKind k : catalogue::AllKinds) {
        const catalogue::KindDescriptor& d = catalogue::describe(k);
        if (k != catalogue::AllKinds.front())
            out.append(QString());
        const QString one = d.one.toString();
        const KindTexts texts{d.page.toString() + u":"_s,
                              u"\tName of "_s + one.left(1).toUpper() + one.mid(1) + u": "_s,
                              u"Total Number of "_s + d.many.toString() + u": "_s};
        kind(out, texts, records(d.recordFile), full, [&d](const TContentRecord& r) {
            return r.Kind >= d.firstRecordKind && r.Kind <= d.lastRecordKind;
        });
    }
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
    // Each record file read once, in page order, before anything is written.
    const file_conflicts::RecordsOf recordsOf = file_conflicts::readRecordFiles(ctx.state, false);
    QStringList lines = recordList(recordsOf, level == Full);
    if (level == Full)
        lines += file_conflicts::reportSection(file_conflicts::Conflicts(
            file_conflicts::SharedFiles(ctx.state, recordsOf, ctx.state.sharedDataPath())));
    platform::writeLines(file, lines);
    ctx.status.setStatus(u"  Detailed list saved to "_s + file);
}

ListsSnapshot listsAsLoaded(const AppState& state) {
    ListsSnapshot lists;
    // A record file shared by several kinds is read once for all of them.
    QList<catalogue::ContentKind> loaded;
    for (const catalogue::ContentKind k : catalogue::AllKinds) {
        if (loaded.contains(k))
            continue;
        for (const KindLists& kindLists : LoadSharingLists(state, k, u"All"_s)) {
            if (!kindLists.error.isEmpty())
                throw platform::Error(kindLists.error);
            lists.of(kindLists.kind) = {kindLists.installed, kindLists.notInstalled};
            loaded.append(kindLists.kind);
        }
    }
    return lists;
}

} // namespace core::reports
