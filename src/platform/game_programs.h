#pragma once

#include <QString>
#include <QStringList>

/// Where the game and its programs are found on Linux: a native install,
/// a Windows copy under Proton, or a server without the client.
namespace platform {

/// The usual install places of the game below `home` and on the system,
/// in the order they are probed on a first run.
QStringList gameFolderCandidates(const QString& home);

/// The first of `candidates` holding a System folder (ignoring case);
/// empty when none does.
QString findGameFolder(const QStringList& candidates);

/// The game's executable in `systemDir` (UT2004.exe, ut2004-bin or
/// ut2004-bin-linux-amd64, ignoring case); empty when there is none.
QString findGameExecutable(const QString& systemDir);

/// A program of the game in `systemDir`, the window's or a dedicated
/// server's: UT2004.exe, ut2004-bin, ut2004-bin-linux-amd64, ucc-bin or
/// ucc-bin-linux-amd64 (ignoring case); empty when there is none.
QString findGameOrServerProgram(const QString& systemDir);

/// The program that plays a demo: the first of ut2004-bin-linux-amd64,
/// ut2004-bin, UT2004.exe in `systemDir` (ignoring case); empty when none.
QString findDemoPlayer(const QString& systemDir);

/// The game's command-line tool: the first of ucc-bin-linux-amd64,
/// ucc-bin, ucc, UCC.exe in `systemDir` (ignoring case); empty when none.
QString findGameTool(const QString& systemDir);

} // namespace platform
