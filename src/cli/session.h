#pragma once

#include "cli/command_line.h"
#include "cli/terminal.h"
#include "core/app_core.h"
#include "core/content_db.h"
#include "core/data_lock.h"
#include "intake/folder_search.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

/// One run of quorvel-cli on its data folder: the program's core with the
/// terminal as its dialogs and status line, opened for reading or, under
/// the data folder's lock, for writing.
namespace cli {

/// "The record file <path> is damaged: N records read clean, M do not ...
/// Run \"quorvel-cli update\" ...": what a reader says of a damaged file.
QString damagedRecordsText(const QString& path, const content_db::FileReading& reading);

/// What opening for writing does with a record file that does not read
/// cleanly: keeps a .damaged copy and cleans it (a writer), or stops with
/// exit 3, leaving it as it is (a verb that only reads them).
enum class RecordFiles { Repair, MustBeSound };

class Session {
public:
    explicit Session(const GlobalOptions& options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    /// A verb that writes nothing in the data folder: no lock, no start-up
    /// step that writes. The settings are read and applied as the loader
    /// would, a damaged or old settings file is not touched (exit 3), and a
    /// folder that needs repair at start-up is read as it is.
    void openForReading();
    /// A verb that writes: takes the data folder's lock (waiting up to
    /// DataLock::writerWait() for another writer, then exit 1), then runs the
    /// start-up steps the window runs (core/data_folder.h), removes the
    /// copies a killed install left in the game and lets the record file
    /// guard look at the record files. A damaged settings file is kept aside
    /// as the window keeps it and ends the run (exit 3), unless
    /// `goOnAfterDamagedSettings` (setting a value saves a new file). A
    /// configured game folder that is missing is warned of when
    /// `warnMissingGame`.
    void openForWriting(bool goOnAfterDamagedSettings = false, bool warnMissingGame = true,
                        RecordFiles records = RecordFiles::Repair);

    /// For a verb that shows or uses what the record files hold: stops
    /// (exit 3) when the data folder does not exist or holds no Quorvel
    /// data, or when a record file does not read cleanly, naming the file,
    /// the records that read clean and what to run. Nothing is written:
    /// the readers would otherwise show less than there is, as if all were
    /// well. Call after openForReading.
    void requireSoundRecords() const;
    /// The data folder exists and holds Quorvel data; else exit 3. For a
    /// verb that opens it for writing (which would make it) but only uses
    /// what is there.
    void requireData() const;

    AppCore& core() { return *core_; }
    CommandContext& ctx() { return core_->context(); }
    AppState& state() { return core_->state; }
    intake::TmFileScan& scan() { return scan_; }
    TerminalDialogs& dialogs() { return dialogs_; }

    /// The nine values the Configure page shows once opened: the settings
    /// loaded, or a first run's values (the game folder found), or what a
    /// damaged file gave before its damage.
    const QStringList& configRows() const { return configRows_; }
    /// The Maps page's filter, "text|mask|text|mask...".
    const QString& mapFilter() const { return mapFilter_; }
    bool quiet() const { return quiet_; }

    /// A line of what a verb did, on standard output; not with --quiet
    /// (failures go to standard error whatever it says).
    void say(const QString& text) const;

    /// The closing status of a command, as the window's status bar shows
    /// it, on standard output; not with --quiet.
    void printStatus();
    /// `code`, raised to NotAllDone when an error was reported or a
    /// question was answered No along the way.
    int finish(int code) const;

private:
    /// Exit 3 when one of the data files is there but cannot be read.
    void checkDataFilesReadable() const;

    QString dataDir_;
    bool quiet_;
    TerminalStatus status_;
    TerminalDialogs dialogs_;
    std::unique_ptr<AppCore> core_;
    intake::TmFileScan scan_;
    std::optional<DataLock> lock_;
    QStringList configRows_;
    QString mapFilter_;
};

} // namespace cli
