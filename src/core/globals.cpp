#include "core/globals.h"

#include "platform/file_helpers.h"

using namespace Qt::Literals::StringLiterals;

void GamePaths::setGameDir(const QString& dir) {
    GameDir = dir;
    computeGameSubDirs();
}

void GamePaths::computeGameSubDirs() {
    const QString base = GameDir;
    auto sub = [&](const QString& name) {
        return platform::withSlash(platform::resolveIgnoringCase(base, name));
    };
    AnimationsDir = sub(u"animations"_s);
    MapsDir = sub(u"maps"_s);
    MusicDir = sub(u"music"_s);
    StaticMeshesDir = sub(u"StaticMeshes"_s);
    SoundsDir = sub(u"Sounds"_s);
    TexturesDir = sub(u"Textures"_s);
    KarmaDataDir = sub(u"KarmaData"_s);
    SystemDir = sub(u"System"_s);
    CacheDir = sub(u"Cache"_s);
    HelpDir = sub(u"help"_s);
}
