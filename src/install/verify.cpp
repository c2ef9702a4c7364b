// "Verify installation": the check, which changes nothing, and the words
// it is reported in.
#include "install/verify.h"

#include "install/uninstall.h"
#include "install/verify_books.h"

#include <QHash>
#include <QSet>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace install {

using catalogue::ContentKind;
using catalogue::ListSide;
using namespace verifying;

namespace {

/// A file the install places in a game folder.
struct PlacedFile {
    QString folder; ///< the game folder value (AppState, ending in "/")
    QString name;
};

/// The files of `rec` the check looks for, each once: those the extension
/// table sends to a game folder, but not help files (placed only with
/// "Install extra files", and renamed after the archive) and not names
/// that may have been cut to fit the record.
QList<PlacedFile> placedFiles(const AppState& s, const TContentRecord& rec) {
    QList<PlacedFile> files;
    QSet<QString> seen;
    const qsizetype count = qMin<qsizetype>(rec.FileCount, rec.Files.size());
    for (qsizetype i = 0; i < count; ++i) {
        const QString name = catalogue::placedFileName(rec.Files[i]);
        if (name.isEmpty() || RecordedNameMayBeCut(rec.Files[i]))
            continue;
        const std::optional<QString> folder = catalogue::gameFolderForFile(s, name);
        if (!folder || *folder == s.HelpDir)
            continue;
        const QString key = *folder + u'\n' + name.toCaseFolded();
        if (seen.contains(key))
            continue;
        seen.insert(key);
        files.append({*folder, name});
    }
    return files;
}

} // namespace

VerifyReport VerifyInstallation(CommandContext& ctx) {
    const AppState& s = ctx.state;
    requireGameFolder(s);
    const Books books(s);
    GameLook look(ctx);
    VerifyReport report;
    for (const Book& book : books.files) {
        // Equal names are told apart by their place among those of the list.
        QHash<QString, int> seen;
        for (const TContentRecord& r : book.records) {
            const ContentKind page = catalogue::kindOfRecord(book.file, r.Kind);
            const ListSide side = r.Installed == 1 ? ListSide::Installed : ListSide::NotInstalled;
            if (!catalogue::isOnList(r, page, side))
                continue;
            const QString name = catalogue::listEntryOf(r, page, side);
            const catalogue::ListEntry entry{name,
                                             seen[QString::number(int(page)) + u'|' +
                                                  QString::number(int(side)) + u'|' + name]++};
            const QList<PlacedFile> files = placedFiles(s, r);
            report.filesLooked += int(files.size());
            if (side == ListSide::Installed) {
                ++report.installedRecords;
                QStringList missing;
                for (const PlacedFile& f : files) {
                    if (!look.exists(f.folder, f.name))
                        missing.append(f.name);
                }
                if (!missing.isEmpty())
                    report.missing.append(
                        {page, entry, r.ArchiveName, reinstallablePath(r), missing});
                continue;
            }
            if (files.isEmpty())
                continue;
            bool all = true;
            bool ownFile = false; // one file no installed record accounts for
            QStringList found;
            for (const PlacedFile& f : files) {
                if (!look.exists(f.folder, f.name)) {
                    all = false;
                    break;
                }
                ownFile = ownFile || books.uses.uses(f.folder, f.name) == 0;
                found.append(f.name);
            }
            // A record whose files all came with installed content is a
            // second copy of it, not content installed by hand.
            if (all && ownFile)
                report.adoptable.append({page, entry, r.ArchiveName, found});
        }
    }
    for (const IndexedDrift& d : countDrifts(s, books, look))
        report.counts.append(d.drift);
    report.originals = StrayOriginals(ctx);
    return report;
}

namespace {

template <typename Finding>
QList<Finding> named(const QList<Finding>& findings, const QStringList& names) {
    QList<Finding> out;
    for (const Finding& f : findings) {
        const QString numbered = f.entry.name + u'#' + QString::number(f.entry.occurrence + 1);
        const bool wanted =
            (f.entry.occurrence > 0 && names.contains(numbered, Qt::CaseInsensitive)) ||
            names.contains(f.entry.name, Qt::CaseInsensitive) ||
            names.contains(f.archiveName, Qt::CaseInsensitive);
        if (wanted)
            out.append(f);
    }
    return out;
}

} // namespace

QList<Adoptable> adoptableNamed(const VerifyReport& report, const QStringList& names) {
    return named(report.adoptable, names);
}

QList<MissingFiles> missingNamed(const VerifyReport& report, const QStringList& names) {
    return named(report.missing, names);
}

QString summaryText(const VerifyReport& report) {
    if (report.agrees())
        return u"  All "_s + QString::number(report.installedRecords) +
               u" installed archives agree with the game folders."_s;
    return u"  "_s + QString::number(report.missing.size()) + u" installed with files missing, "_s +
           QString::number(report.counts.size()) + u" shared count(s) wrong, "_s +
           QString::number(report.adoptable.size()) + u" found in the game not marked installed"_s +
           (report.originals.isEmpty()
                ? u"."_s
                : u", "_s + QString::number(report.originals.size()) +
                      u" of the game's own files kept that no installed archive needs."_s);
}

QString problemText(CountProblem problem) {
    switch (problem) {
    case CountProblem::NotListed:
        return u"no installed content lists it"_s;
    case CountProblem::Duplicate:
        return u"counted twice"_s;
    case CountProblem::FileGone:
        return u"the file is gone"_s;
    case CountProblem::TooLow:
        return u"count too low"_s;
    case CountProblem::TooHigh:
        return u"count too high"_s;
    }
    return {};
}

QString pageText(ContentKind page) {
    return catalogue::describe(page).page.toString();
}

} // namespace install
