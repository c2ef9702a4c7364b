#include "cli/session.h"

#include "cache/missing_packages.h"
#include "core/content_db.h"
#include "core/content_kinds.h"
#include "core/data_folder.h"
#include "core/lifecycle.h"
#include "core/shared_files.h"
#include "install/placement.h"
#include "platform/dialogs.h"
#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace cli {

namespace {

/// Rows applied before a damage, the rest empty as the page shows them.
QStringList nineRows(QStringList rows) {
    while (rows.size() < settings_file::settingRowNames().size())
        rows.append(QString());
    return rows.mid(0, settings_file::settingRowNames().size());
}

/// The files of the data folder: the settings, the record files, the counts.
QStringList dataFiles(const AppState& s) {
    return QStringList{s.settingsPath()} + catalogue::recordFiles(s) +
           QStringList{s.sharedDataPath()};
}

} // namespace

QString damagedRecordsText(const QString& path, const content_db::FileReading& reading) {
    QString what = QString::number(reading.cleanRecords) +
                   (reading.cleanRecords == 1 ? u" record reads"_s : u" records read"_s) +
                   u" clean"_s;
    if (reading.droppedRecords > 0)
        what += u", "_s + QString::number(reading.droppedRecords) +
                (reading.droppedRecords == 1 ? u" does"_s : u" do"_s) + u" not"_s;
    if (reading.tornBytes > 0)
        what += u", and "_s + QString::number(reading.tornBytes) +
                u" bytes of a torn last record follow"_s;
    return u"The record file "_s + path + u" is damaged: "_s + what +
           u". Nothing was changed. Run \"quorvel-cli update\": it keeps the file as it is as "_s +
           path + u".damaged and cleans it, then run this again."_s;
}

Session::Session(const GlobalOptions& options)
    : dataDir_(options.dataDir), quiet_(options.quiet),
      status_(stderrIsTerminal() && !options.quiet), dialogs_(options.answers, status_),
      core_(std::make_unique<AppCore>(dialogs_, status_)),
      mapFilter_(settings_file::baseMapFilter()) {
    core_->state.ProgramDir = dataDir_;
    // Before an archive is installed, what it needs and the game lacks.
    cache::AskBeforeInstall(core_->context(), std::make_shared<cache::ImportsCache>());
}

// Temp stays (emptied by the commands themselves): a window open on the
// same folder extracts into it, and only its own shut-down removes it.
Session::~Session() = default;

void Session::checkDataFilesReadable() const {
    const AppState& s = core_->state;
    for (const QString& path : dataFiles(s)) {
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            continue;
        QFile file(path);
        if (!info.isFile())
            throw Exit{DataUnreadable, u"Cannot read "_s + path + u": it is not a file."_s};
        if (!file.open(QIODevice::ReadOnly))
            throw Exit{DataUnreadable, u"Cannot read "_s + path + u": "_s + file.errorString()};
    }
}

void Session::openForReading() {
    AppState& s = core_->state;
    checkDataFilesReadable();
    const data_folder::ReadSettingsResult read = data_folder::ReadSettings(s);
    switch (read.reading) {
    case data_folder::SettingsReading::Missing:
        configRows_ = data_folder::FirstRunRows(data_folder::FirstRunGameFolder(QDir::homePath()));
        break;
    case data_folder::SettingsReading::Applied:
        configRows_ = nineRows(read.applied.editorRows);
        mapFilter_ = read.applied.mapFilter.value_or(mapFilter_);
        break;
    case data_folder::SettingsReading::NeedsUpgrade:
        throw Exit{DataUnreadable,
                   s.settingsPath() +
                       u" and the record files are of an older Quorvel. A command that writes "
                       u"(such as \"quorvel-cli update\") or the window converts them."_s};
    case data_folder::SettingsReading::Damaged:
        throw Exit{DataUnreadable, s.settingsPath() + u" is damaged: "_s + read.problem +
                                       u"\nA command that writes (or the window) keeps it as "_s +
                                       s.settingsPath() + u".damaged; then set the values anew."_s};
    }
}

void Session::requireData() const {
    const AppState& s = core_->state;
    if (!QFileInfo(dataDir_).isDir())
        throw Exit{DataUnreadable,
                   u"The data folder "_s + dataDir_ +
                       u" does not exist. Give the folder that holds Quorvel.ini with --data DIR, "
                       u"or set one up with \"quorvel-cli config map-dir DIR\"."_s};
    for (const QString& path : dataFiles(s)) {
        if (QFileInfo::exists(path))
            return;
    }
    throw Exit{DataUnreadable,
               u"The data folder "_s + dataDir_ +
                   u" holds no Quorvel data (no Quorvel.ini, no record files). Give the folder "
                   u"that holds them with --data DIR, or set one up with \"quorvel-cli config "
                   u"map-dir DIR\"."_s};
}

void Session::requireSoundRecords() const {
    requireData();
    const AppState& s = core_->state;
    QList<std::pair<QString, int>> files;
    for (const QString& path : catalogue::recordFiles(s))
        files.append({path, TContentRecord::RecordSize});
    files.append({s.sharedDataPath(), catalogue::SharedFiles::RecordSize});
    for (const auto& [path, recordSize] : files) {
        if (!QFileInfo(path).isFile())
            continue;
        const content_db::FileReading r = content_db::InspectFile(path, recordSize);
        if (r.damaged())
            throw Exit{DataUnreadable, damagedRecordsText(path, r)};
    }
}

void Session::openForWriting(bool goOnAfterDamagedSettings, bool warnMissingGame,
                             RecordFiles records) {
    if (!QDir().mkpath(dataDir_))
        throw Exit{NotAllDone, u"Cannot create the data folder "_s + dataDir_ + u'.'};
    lock_.emplace(DataLock::acquire(dataDir_, std::chrono::milliseconds(0)));
    if (!lock_->held() && lock_->busy()) {
        if (!quiet_)
            printErr(u"Waiting for another Quorvel to finish changing "_s + dataDir_ + u" ..."_s);
        lock_.emplace(DataLock::acquire(dataDir_));
    }
    // Busy all the time, or a lock file that cannot be made at all.
    if (!lock_->held())
        throw Exit{NotAllDone,
                   lock_->refusal().isEmpty() ? DataLock::busyText(dataDir_) : lock_->refusal()};
    checkDataFilesReadable();
    // As the window works: in its data folder, wherever it was started.
    QDir::setCurrent(dataDir_);
    AppState& s = core_->state;
    data_folder::Prepare(s, dataDir_);
    bool damaged = false;
    if (data_folder::HasSettings(s)) {
        const data_folder::LoadedSettings loaded = data_folder::LoadSettings(*core_, true);
        configRows_ = nineRows(loaded.applied.editorRows);
        mapFilter_ = loaded.applied.mapFilter.value_or(mapFilter_);
        if (loaded.damaged) {
            dialogs_.message(platform::MsgKind::Error, settings_file::damagedText(*loaded.damaged),
                             platform::Ok, QPoint(100, 75));
            damaged = true;
        } else {
            install::RemoveInterruptedCopies(ctx());
        }
    } else {
        configRows_ = data_folder::FirstRunRows(data_folder::FirstRunGameFolder(QDir::homePath()));
    }
    if (records == RecordFiles::MustBeSound)
        requireSoundRecords();
    core_->recordGuard.start();
    core_->checkRecordFiles();
    core_->beginCommand();
    s.StartingUp = false;
    if (damaged && !goOnAfterDamagedSettings)
        throw Exit{DataUnreadable, u"Set the values anew with \"quorvel-cli config KEY VALUE\"."_s};
    if (const QString missing = lifecycle::missingGameFolderText(s);
        warnMissingGame && !missing.isEmpty())
        dialogs_.message(platform::MsgKind::Warning, missing, platform::Ok, QPoint(50, 125));
}

void Session::say(const QString& text) const {
    if (!quiet_)
        printOut(text);
}

void Session::printStatus() {
    status_.clearLine();
    const QString text = terminalText(status_.status()).trimmed();
    if (!quiet_ && !text.isEmpty())
        printOut(text);
}

int Session::finish(int code) const {
    if (code == Done && dialogs_.somethingFailed())
        return NotAllDone;
    return code;
}

} // namespace cli
