#pragma once

#include "platform/clock.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

/// What the user chose and Quorvel.ini keeps between sessions (the folder
/// choices are with the paths).
struct Settings {
    QString GameName;
    int ThemeIndex = 0;
    QString ThemeFile;
    QString LastZipDir;
    QString LastUz2Dir;
    bool MapDirSet = false;
    bool MutatorDirSet = false;
    bool SkinDirSet = false;
    bool OverwriteAlways = false;
    bool InstallExtraFiles = false;
    /// "Search files in subdirs"; read by the folder scans.
    bool ScanSubDirs = false;
};

/// Where the program and the game keep their files. Folder values of game
/// sub-folders end in "/"; ProgramDir, TempDir and GameDir do not.
struct GamePaths {
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

/// What the window holds between two commands.
struct WindowState {
    /// Start-up runs: the settings loader's scans and list fills are part
    /// of it, and nothing is saved yet.
    bool StartingUp = true;
    /// The window's answer to a close request (false while a long command
    /// runs; see core/command_boundary.h).
    bool CanClose = true;
    bool DemosListed = false;
    // The one hidden helper list the window still needs: the .uz2 page's
    // selection lives between the choice (or drop) and "Go".
    QStringList ListBox3; ///< full paths of the files on the .uz2 page
    /// The folder the window's open dialog starts in.
    QString OpenDialog1Folder;
};

/// The program-wide state: settings, paths and the window's state, and the
/// source of today's date. The main window owns the one instance; core
/// operations take it (or the part they need) by reference, so tests can
/// run many independent instances. What a run counts or collects is not
/// here: it is the run's result (core/run_progress.h).
struct AppState : Settings, GamePaths, WindowState {
    /// Source of today's date for AddedDate and InstallDate.
    platform::Clock clock;
};
