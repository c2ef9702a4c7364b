#include "core/data_folder.h"

#include "core/app_core.h"
#include "core/command_context.h"
#include "core/content_db.h"
#include "core/content_kinds.h"
#include "core/lifecycle.h"
#include "core/record_journal.h"
#include "core/transaction.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/file_helpers.h"
#include "platform/game_programs.h"
#include "platform/status_sink.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace core::data_folder {

QString DefaultFolder() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + u"/.local/share"_s;
    return QDir::cleanPath(base + u"/Quorvel"_s);
}

QString ChosenFolder(const QString& option) {
    if (option.isEmpty())
        return DefaultFolder();
    return QDir::cleanPath(QFileInfo(option).absoluteFilePath());
}

void Prepare(AppState& s, const QString& dir) {
    s.ProgramDir = dir;
    s.CanClose = true;
    for (const catalogue::ContentKind kind : catalogue::AllKinds)
        s.*catalogue::describe(kind).archiveFolderSet = false;
    s.StartingUp = true;
    s.LastZipDir = QDir::homePath();
    s.LastUz2Dir = QDir::homePath();
    lifecycle::prepareTempDir(s);
    // What an install held beside Temp when it was killed goes with Temp.
    if (const QString held = dir + u"/Temp-held"_s; QFileInfo(held).isDir())
        platform::removeTree(held);
    content_db::CreateMissingFiles(s);
    // A run killed between the record file and sharedfiles.dat is
    // finished (or undone) before anything reads them.
    record_journal::RecoverInterruptedWrite(s);
    // An install or uninstall killed before its commit is undone: its
    // game files, records and counts are as before the run.
    txn::Recover(s);
}

bool HasSettings(const AppState& state) {
    return QFileInfo::exists(state.settingsPath());
}

LoadedSettings LoadSettings(AppCore& core, bool atStartUp) {
    using namespace settings_file;
    AppState& s = core.state;
    LoadedSettings out;
    // A damaged file is kept aside; from then on the record files are
    // read with the new size.
    auto damaged = [&] {
        core.recordGuard.start();
        out.damaged = keepDamaged(s.settingsPath());
        return out;
    };
    QStringList lines;
    bool upgrade = false;
    try {
        lines = readSettingsLines(s.settingsPath());
        upgrade = needsUpgrade(lines, recordFileSizes(s));
    } catch (const platform::Error&) {
        return damaged();
    }
    // Old records are judged at their own size before the upgrade converts
    // them, so what is damaged among them is kept rather than converted. A
    // copy that cannot be written is no fault of the settings file: the
    // error ends start-up, and the next start tries again.
    if (upgrade)
        core.checkRecordFiles(TContentRecord::OldRecordSize);
    try {
        if (upgrade) {
            UpgradeSettings(s);
            lines = readSettingsLines(s.settingsPath());
        }
        core.recordGuard.start();
        applySettings(s, lines, out.applied);
        if (atStartUp) {
            out.layout = parseThemeLines(lines);
            if (out.layout)
                out.layout = parseLayout(lines);
        }
        core.backends.setDefaultTarget(s.TempDir);
        s.OpenDialog1Folder = s.CustomMapDir;
    } catch (const platform::Error&) {
        return damaged();
    }
    return out;
}

ReadSettingsResult ReadSettings(AppState& state) {
    using namespace settings_file;
    ReadSettingsResult out;
    if (!HasSettings(state))
        return out;
    try {
        const QStringList lines = readSettingsLines(state.settingsPath());
        if (needsUpgrade(lines, recordFileSizes(state))) {
            out.reading = SettingsReading::NeedsUpgrade;
            return out;
        }
        applySettings(state, lines, out.applied);
        // The layout lines are judged as at start-up.
        parseLayout(lines);
        out.reading = SettingsReading::Applied;
    } catch (const platform::Error& e) {
        out.reading = SettingsReading::Damaged;
        out.problem = e.text();
    }
    return out;
}

QStringList FirstRunRows(const QString& gameDir) {
    return {gameDir,  QString(),   QString(), QString(), QString(),
            u"Yes"_s, u"Ask me"_s, u"No"_s,   QString()};
}

QString FirstRunGameFolder(const QString& home) {
    return platform::findGameFolder(platform::gameFolderCandidates(home));
}

bool HoldsTheGame(const QString& gameDir) {
    if (gameDir.isEmpty())
        return false;
    const QString system = platform::resolveIgnoringCase(gameDir, u"System"_s);
    return !platform::findGameOrServerProgram(system).isEmpty();
}

QString GameNotFoundText(const QString& gameDir) {
    return u"Warning! Can't find "_s + gameDir + u"/System/UT2004.exe"_s;
}

bool SaveSettings(CommandContext& ctx, const QStringList& rows, GameQuestion question) {
    AppState& s = ctx.state;
    s.setGameDir(rows.value(0));
    if (question == GameQuestion::Ask && !HoldsTheGame(s.GameDir)) {
        const QString text = GameNotFoundText(s.GameDir) + u"\r\rDo you want to continue anyway?"_s;
        if (ctx.dialogs.message(platform::MsgKind::Warning, text, platform::Yes | platform::No,
                                QPoint(125, 150)) != platform::Yes)
            return false;
    }
    s.GameName = u"UT2004"_s;
    ctx.status.setStatus(u"  Saving configuration."_s);
    settings_file::writeSettings(s.settingsPath(), s.GameName, rows);
    return true;
}

} // namespace core::data_folder
