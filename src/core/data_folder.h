#pragma once

#include "core/namespaces.h"
#include "core/settings_file.h"

#include <QString>
#include <QStringList>

#include <optional>

class AppCore;
struct AppState;
struct CommandContext;

/// The data folder as every program on it opens, reads and saves it: the
/// start-up steps on its files, the settings loader and "Save". The window
/// and quorvel-cli both run these, so the two treat the same files alike;
/// what they show of the outcome is their own.
namespace core::data_folder {

/// The user's data folder, where the window and quorvel-cli keep the
/// files above whatever folder they start in: $XDG_DATA_HOME/Quorvel, else
/// ~/.local/share/Quorvel (a relative XDG_DATA_HOME is ignored, as the
/// desktop's rules say). Absolute and clean; not created here.
QString DefaultFolder();

/// The folder a `--data DIR` option names, absolute against the working
/// folder and clean; DefaultFolder() when `option` is empty.
QString ChosenFolder(const QString& option);

/// The start-up steps on the files, for a program that may write: sets
/// ProgramDir to `dir` and the state's start values, empties (or creates)
/// Temp, creates missing record files and finishes or drops what a killed
/// run left (core/record_journal.h, core/transaction.h). Throws platform::Error; the steps
/// after the failing one are then not run.
void Prepare(AppState& state, const QString& dir);

/// Quorvel.ini exists in ProgramDir: the settings are loaded, else the
/// program starts as on its first run.
bool HasSettings(const AppState& state);

/// What the settings loader made of Quorvel.ini.
struct LoadedSettings {
    /// The values applied, for the Configure page (rows) and the map
    /// filter; also what was applied before a damaged line.
    settings_file::AppliedSettings applied;
    /// At start-up: the theme lines, with the position and the last-used
    /// folders when they read. A position that is no number damages the
    /// file, but the theme lines before it stay applicable.
    std::optional<settings_file::LayoutValues> layout;
    /// The file was damaged (or unreadable) and has been kept aside: where
    /// it went, for settings_file::damagedText. Nothing else is loaded.
    std::optional<settings_file::DamagedSettings> damaged;
};

/// The settings loader: reads Quorvel.ini, upgrades the old layout (record
/// files first, after the record file guard has judged them at the old
/// size), starts the record file guard, applies lines 4 to 14 to the state
/// and points the zip and rar components at TempDir. `atStartUp` reads the
/// layout lines too; a bad position there damages the file. A damaged file
/// is kept as Quorvel.ini.damaged (settings_file::keepDamaged). Throws
/// platform::Error when a record file could not be kept before the
/// upgrade: start-up then ends, and the next one tries again.
LoadedSettings LoadSettings(AppCore& core, bool atStartUp);

/// How a program that writes nothing finds Quorvel.ini.
enum class SettingsReading {
    Missing,      ///< no file: the first-run values apply
    Applied,      ///< read and applied to the state
    NeedsUpgrade, ///< the old layout: only a program that writes may convert it
    Damaged,      ///< what the loader would keep aside as damaged
};
struct ReadSettingsResult {
    SettingsReading reading = SettingsReading::Missing;
    settings_file::AppliedSettings applied;
    QString problem; ///< why the file is damaged
};
/// The settings loader's judgement without any of its writes: nothing is
/// upgraded, kept aside or guarded. Applies lines 4 to 14 to the state when
/// the file is sound.
ReadSettingsResult ReadSettings(AppState& state);

/// The nine rows of the Configure page on a first run: the game folder
/// found, "Yes" for sub-folders, "Ask me" for overwriting, "No" for extra
/// files, every other row empty.
QStringList FirstRunRows(const QString& gameDir);

/// The game folder of a first run: the first of the usual places below
/// `home` (platform::gameFolderCandidates) that holds a System folder.
QString FirstRunGameFolder(const QString& home);

/// `gameDir` is the game: its System folder (ignoring case) holds a program
/// of the game, the window's or a dedicated server's (UT2004.exe,
/// ut2004-bin, ut2004-bin-linux-amd64, ucc-bin, ucc-bin-linux-amd64,
/// ignoring case). The one test of Save and of quorvel-cli's config.
bool HoldsTheGame(const QString& gameDir);

/// "Warning! Can't find <gameDir>/System/UT2004.exe"
QString GameNotFoundText(const QString& gameDir);

/// Whether Save asks about a folder that does not hold the game.
enum class GameQuestion { Ask, DoNotAsk };

/// "Save" of the Configure page with its nine row values: sets GameDir,
/// asks whether to go on when the game folder does not hold the game
/// (HoldsTheGame; not with GameQuestion::DoNotAsk, for a caller that has
/// said so its own way), and writes Quorvel.ini
/// (settings_file::writeSettings). False, with nothing written, when the
/// answer was not Yes. Throws platform::Error when the file cannot be
/// written. The caller then loads the settings again and runs the scans,
/// as after every save.
bool SaveSettings(CommandContext& ctx, const QStringList& rows,
                  GameQuestion question = GameQuestion::Ask);

} // namespace core::data_folder
