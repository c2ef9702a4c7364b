#include "platform/game_programs.h"

#include "platform/file_helpers.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

QString firstExisting(const QString& folder, const QStringList& names) {
    if (folder.isEmpty())
        return {};
    for (const QString& name : names) {
        const QString path = resolveIgnoringCase(folder, name);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

} // namespace

QStringList gameFolderCandidates(const QString& home) {
    return {
        home + u"/ut2004"_s,
        home + u"/.ut2004"_s,
        u"/usr/local/games/ut2004"_s,
        u"/usr/games/ut2004"_s,
        u"/opt/ut2004"_s,
        home + u"/.steam/steam/steamapps/common/Unreal Tournament 2004"_s,
        home + u"/.local/share/Steam/steamapps/common/Unreal Tournament 2004"_s,
    };
}

QString findGameFolder(const QStringList& candidates) {
    for (const QString& c : candidates) {
        if (QFileInfo(resolveIgnoringCase(c, u"System"_s)).isDir())
            return c;
    }
    return {};
}

QString findGameExecutable(const QString& systemDir) {
    return firstExisting(systemDir,
                         {u"UT2004.exe"_s, u"ut2004-bin"_s, u"ut2004-bin-linux-amd64"_s});
}

QString findGameOrServerProgram(const QString& systemDir) {
    return firstExisting(systemDir, {u"UT2004.exe"_s, u"ut2004-bin"_s, u"ut2004-bin-linux-amd64"_s,
                                     u"ucc-bin"_s, u"ucc-bin-linux-amd64"_s});
}

QString findDemoPlayer(const QString& systemDir) {
    return firstExisting(systemDir,
                         {u"ut2004-bin-linux-amd64"_s, u"ut2004-bin"_s, u"UT2004.exe"_s});
}

QString findGameTool(const QString& systemDir) {
    return firstExisting(systemDir,
                         {u"ucc-bin-linux-amd64"_s, u"ucc-bin"_s, u"ucc"_s, u"UCC.exe"_s});
}

} // namespace platform
