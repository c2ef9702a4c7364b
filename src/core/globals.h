#pragma once

#include "platform/clock.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

/// The program-wide state: paths, flags and counters that every command
/// reads. The main window owns the one instance; core operations take it by
/// reference, so tests can run many independent instances.
struct AppState {
    // Paths. Folder values of game sub-folders end in "/"; ProgramDir,
    // TempDir and GameDir do not.
    QString ProgramDir;
    QString TempDir;
    QString GameDir;
    QString CustomMapDir;
    QString CustomSkinDir;
    QString MutatorDir;
    QString DemosDir;
    QString AnimationsDir;
    QString MapsDir;
    QString MusicDir;
    QString StaticMeshesDir;
    QString SoundsDir;
    QString TexturesDir;
    QString KarmaDataDir;
    QString SystemDir;
    QString CacheDir;
    QString HelpDir;
    QString GameName;
    int ThemeIndex = 0;
    QString ThemeFile;
    QString LastZipDir;
    QString LastUz2Dir;

    // Flags and counters.
    bool StartingUp = true;
    bool CanClose = true;
    bool MapDirSet = false;
    bool MutatorDirSet = false;
    bool SkinDirSet = false;
    bool OverwriteAlways = false;
    bool InstallExtraFiles = false;
    bool DemosListed = false;
    /// "Search files in subdirs"; read by the folder scans.
    bool ScanSubDirs = false;
    QString ProgressText;
    qint32 ProgressDone = 0;
    qint32 ProgressTotal = 0;
    QStringList ErrorLogLines;
    /// Files a run could not copy into the game ("name -> folder: reason"),
    /// named to the user at its end.
    QStringList FailedCopies;

    // The one hidden helper list the window still needs: the .uz2 page's
    // selection lives between the choice (or drop) and "Go".
    QStringList ListBox3; ///< full paths of the files on the .uz2 page
    /// The folder the window's open dialog starts in.
    QString OpenDialog1Folder;

    /// Source of today's date for AddedDate and InstallDate.
    platform::Clock clock;

    /// Files beside the program.
    QString mapDataPath() const { return ProgramDir + QStringLiteral("/mapdata.dat"); }
    QString modDataPath() const { return ProgramDir + QStringLiteral("/somdata.dat"); }
    QString sharedDataPath() const { return ProgramDir + QStringLiteral("/sharedfiles.dat"); }
    QString settingsPath() const { return ProgramDir + QStringLiteral("/Quorvel.ini"); }
    QString errorLogPath() const { return ProgramDir + QStringLiteral("/error.log"); }

    /// Sets GameDir and the ten game sub-folders that follow from it.
    void setGameDir(const QString& dir);
    /// Sets the ten game sub-folders from GameDir, each resolved ignoring
    /// case against the existing children of GameDir.
    void computeGameSubDirs();
};
