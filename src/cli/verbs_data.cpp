// The verbs of the Configure page and the System menu: the settings,
// "Update database" and "Make List".
#include "cli/command_line.h"
#include "cli/session.h"
#include "core/content_catalogue.h"
#include "core/content_lists.h"
#include "core/data_folder.h"
#include "core/lifecycle.h"
#include "core/reports.h"
#include "intake/database_update.h"
#include "platform/dialogs.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace cli {

namespace {

/// The keys of the Configure page's nine rows, in row order.
const QStringList& configKeys() {
    static const QStringList keys = {
        u"game-dir"_s, u"map-dir"_s,   u"skin-dir"_s,    u"mutator-dir"_s,      u"demos-dir"_s,
        u"subdirs"_s,  u"overwrite"_s, u"extra-files"_s, u"additional-games"_s,
    };
    return keys;
}

enum Row { GameDir, MapDir, SkinDir, MutatorDir, DemosDir, SubDirs, Overwrite, ExtraFiles };

/// A value as the page's row takes it: a pick list row one of its items
/// (in any case, stored as the item), a folder row a folder (made
/// absolute; empty clears it), the last row any text.
QString rowValue(int row, const QString& key, const QString& value) {
    QStringList items;
    if (row == SubDirs || row == ExtraFiles)
        items = {u"Yes"_s, u"No"_s};
    else if (row == Overwrite)
        items = {u"Always"_s, u"Ask me"_s};
    if (!items.isEmpty()) {
        for (const QString& item : std::as_const(items)) {
            if (item.compare(value, Qt::CaseInsensitive) == 0)
                return item;
        }
        throw usage(key + u" takes "_s + items.join(u" or "_s) + u", not \""_s + value + u"\"."_s);
    }
    if (row <= DemosDir && !value.isEmpty())
        return absolutePath(value);
    return value;
}

/// What follows "Update database" and a save: the configured folders
/// scanned, error.log written, and each archive that cannot be used
/// printed with its reason instead of the window's offer to read the log.
/// Returns how many this run logged.
qsizetype scanConfiguredFolders(Session& session) {
    const intake::ScanResult scanned = ScanConfiguredFolders(session.ctx(), session.scan());
    const lifecycle::ErrorLogWrite log =
        lifecycle::WriteErrorLog(session.state(), scanned.ErrorLogLines);
    for (const QString& line : log.lines)
        session.say(line);
    return log.lines.size();
}

QString counted(qsizetype n, const QString& one, const QString& many) {
    return QString::number(n) + u' ' + (n == 1 ? one : many);
}

} // namespace

int runConfig(Session& session, const Invocation& call) {
    if (call.args.isEmpty()) {
        session.openForReading();
        for (qsizetype i = 0; i < configKeys().size(); ++i)
            printOut(configKeys()[i] + u'\t' + session.configRows().value(i));
        return Done;
    }
    if (call.args.size() != 2)
        throw usage(u"config takes no argument, or a KEY and its VALUE."_s);
    const QString& key = call.args[0];
    const int row = int(configKeys().indexOf(key));
    if (row < 0)
        throw usage(u"Unknown setting \""_s + key + u"\"; the settings are "_s +
                    configKeys().join(u", "_s) + u'.');
    const QString value = rowValue(row, key, call.args[1]);
    // Said before anything is written: the game folder is only looked at
    // when it is what is set, and a server's (ucc-bin alone) counts.
    if (row == GameDir && !data_folder::HoldsTheGame(value)) {
        const QString text = data_folder::GameNotFoundText(value) +
                             u" (nor ut2004-bin, ucc-bin or another program of the game)."_s;
        if (call.isSet(u"strict"_s))
            throw Exit{NotAllDone, text + u" Nothing was saved (--strict)."_s};
        printErr(text + u" Saved all the same."_s);
    }
    // A damaged file was kept aside: what is set now is saved anew.
    session.openForWriting(true, false);
    QStringList rows = session.configRows();
    rows[row] = value;
    if (!data_folder::SaveSettings(session.ctx(), rows, data_folder::GameQuestion::DoNotAsk)) {
        printErr(u"Nothing was saved."_s);
        return NotAllDone;
    }
    // As after the page's Save: the settings loaded again, then the scans.
    const data_folder::LoadedSettings loaded = data_folder::LoadSettings(session.core(), false);
    if (loaded.damaged) {
        session.dialogs().message(platform::MsgKind::Error,
                                  settings_file::damagedText(*loaded.damaged), platform::Ok,
                                  QPoint(100, 75));
        return NotAllDone;
    }
    scanConfiguredFolders(session);
    session.say(key + u'\t' + value);
    return Done;
}

int runUpdate(Session& session, const Invocation& call) {
    if (!call.args.isEmpty())
        throw usage(u"update takes no argument."_s);
    session.openForWriting();
    const AppState& s = session.state();
    if (!data_folder::HasSettings(s))
        printErr(u"Nothing is configured yet: set the archive folders with \"quorvel-cli config "
                 u"map-dir DIR\" (and mutator-dir, skin-dir)."_s);
    const qsizetype logged = scanConfiguredFolders(session);
    const reports::ListsSnapshot lists = reports::listsAsLoaded(s);
    QStringList counts;
    for (const catalogue::ContentKind kind : catalogue::AllKinds) {
        const catalogue::KindDescriptor& d = catalogue::describe(kind);
        const reports::ListsSnapshot::Page& page = lists.of(kind);
        counts.append(counted(page.installed.size() + page.notInstalled.size(), d.one.toString(),
                              d.many.toString()) +
                      u" ("_s + QString::number(page.installed.size()) + u" installed)"_s);
    }
    QString summary = u"Database updated: "_s + counts.join(u", "_s);
    // What this run logged, as error.log shows it: an archive refused by an
    // earlier run keeps its record and is not looked at (nor logged) again.
    if (logged > 0)
        summary += u"; "_s + counted(logged, u"archive"_s, u"archives"_s) +
                   u" not supported (see "_s + s.errorLogPath() + u')';
    session.say(summary);
    return Done;
}

int runReport(Session& session, const Invocation& call) {
    if (call.args.size() != 2)
        throw usage(u"report takes brief, detailed or full, and a FILE."_s);
    const QString& word = call.args[0];
    const QStringList levels = {u"brief"_s, u"detailed"_s, u"full"_s};
    const qsizetype level = levels.indexOf(word);
    if (level < 0)
        throw usage(u"report takes brief, detailed or full, not \""_s + word + u"\"."_s);
    const QString file = absolutePath(call.args[1]);
    session.openForReading();
    session.requireSoundRecords();
    const AppState& s = session.state();
    for (const QString& path : catalogue::recordFiles(s)) {
        if (!QFileInfo::exists(path))
            throw Exit{NotAllDone, path + u" is not there yet: nothing is recorded. Run "_s
                                          u"\"quorvel-cli update\" first."_s};
    }
    reports::WriteReport(session.ctx(), reports::Level(level), reports::listsAsLoaded(s), file);
    session.printStatus();
    return Done;
}

} // namespace cli
