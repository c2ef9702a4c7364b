#include "sandbox_content.h"

#include "cache/uz2_codec.h"
#include "platform/errors.h"
#include "platform/text_file.h"
#include "support/cache_builder.h"
#include "support/rar4_writer.h"
#include "support/zip_builder.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

using namespace Qt::Literals::StringLiterals;
using testing_support::Rar4Entry;
using testing_support::ZipBuilder;

namespace sandbox {

SandboxLayout::SandboxLayout(const QString& rootFolder)
    : root(rootFolder), game(rootFolder + u"/UT2004"_s), maps(rootFolder + u"/Archives/Maps"_s),
      mutators(rootFolder + u"/Archives/Mutators"_s), skins(rootFolder + u"/Archives/Skins"_s),
      demos(rootFolder + u"/Demos"_s), uz2(rootFolder + u"/Uz2"_s),
      log(rootFolder + u"/programs.log"_s) {}

const SampleNames& sampleNames() {
    static const SampleNames names{
        {u"AS-Sandbox-Tower.rar"_s, u"CTF-Sandbox-Bridge.zip"_s, u"DM-Sandbox-Arena.zip"_s,
         u"DM-Sandbox-Rain.rar"_s, u"ONS-Sandbox-Valley.zip"_s},
        {u"Sandbox Low Gravity"_s, u"Sandbox Speed"_s},
        {u"SandboxKnight"_s, u"SandboxRobot"_s},
        u"DM-Sandbox-Broken.zip"_s,
        u"DM-Sandbox-Courtyard.zip"_s,
        u"Sandbox Vampire"_s,
        u"SandboxPirate"_s,
    };
    return names;
}

namespace {

void fail(const QString& path) {
    throw platform::Error(u"Couldn't write "_s + path);
}

void makeFolder(const QString& path) {
    if (!QDir().mkpath(path))
        throw platform::Error(u"Couldn't create the folder "_s + path);
}

/// Stand-in bytes for a game file: what it is and which sample it came with.
QByteArray filler(const QString& name) {
    return "Quorvel sandbox sample: " + name.toUtf8() + " (not a real game file)\n";
}

/// A small 24-bit BMP (a colour gradient) as a map's preview picture; BMP
/// needs no image plugin to be shown.
QByteArray previewPicture() {
    constexpr int Width = 96;
    constexpr int Height = 64;
    constexpr int RowBytes = Width * 3; // already a multiple of 4
    QByteArray bmp(54 + RowBytes * Height, '\0');
    auto put32 = [&bmp](int at, quint32 v) { qToLittleEndian(v, bmp.data() + at); };
    auto put16 = [&bmp](int at, quint16 v) { qToLittleEndian(v, bmp.data() + at); };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, quint32(bmp.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, Width);
    put32(22, Height);
    put16(26, 1);
    put16(28, 24);
    put32(34, RowBytes * Height);
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            char* px = bmp.data() + 54 + y * RowBytes + x * 3;
            px[0] = char(120 + y * 2); // blue
            px[1] = char(60 + x);      // green
            px[2] = char(40 + x / 2);  // red
        }
    }
    return bmp;
}

QByteArray intFile(const QString& package, const QString& friendlyName) {
    return (u"[Public]\r\nObject=(Class=Class,MetaClass=Engine.Mutator,Name="_s + package + u'.' +
            package + u",FriendlyName=\""_s + friendlyName +
            u"\",Description=\"A sandbox sample mutator.\")\r\n"_s)
        .toUtf8();
}

QByteArray uplFile(const QString& skin) {
    return (u"[Public]\r\nPlayer=(DefaultName=\""_s + skin + u"\",Mesh="_s + skin + u"."_s + skin +
            u",BodySkin="_s + skin + u".Body,FaceSkin="_s + skin +
            u".Face,Species=xGame.SPECIES_Human)\r\n"_s)
        .toUtf8();
}

void writeZip(const QString& path, const QStringList& names,
              const QList<QPair<QString, QByteArray>>& extra = {}) {
    ZipBuilder zip;
    for (const QString& name : names)
        zip.file(name, filler(name));
    for (const auto& [name, data] : extra)
        zip.file(name, data);
    if (!zip.write(path))
        fail(path);
}

void writeRar(const QString& path, const QStringList& names,
              const QList<QPair<QString, QByteArray>>& extra = {}) {
    QList<Rar4Entry> entries;
    auto add = [&entries](const QString& name, const QByteArray& data) {
        Rar4Entry entry;
        entry.name = name.toUtf8();
        entry.data = data;
        entries.append(entry);
    };
    for (const QString& name : names)
        add(name, filler(name));
    for (const auto& [name, data] : extra)
        add(name, data);
    if (!testing_support::writeRar4Archive(path, entries))
        fail(path);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        fail(path);
}

void writeArchives(const SandboxLayout& at) {
    const SampleNames& n = sampleNames();
    // Two maps share a texture package: uninstalling one keeps it for the other.
    writeZip(at.maps + u"/DM-Sandbox-Arena.zip"_s,
             {u"DM-Sandbox-Arena.ut2"_s, u"SandboxShared.utx"_s, u"SandboxArenaMusic.ogg"_s});
    writeRar(at.maps + u"/DM-Sandbox-Rain.rar"_s,
             {u"DM-Sandbox-Rain.ut2"_s, u"SandboxShared.utx"_s, u"SandboxRain.uax"_s});
    writeZip(at.maps + u"/CTF-Sandbox-Bridge.zip"_s, {u"CTF-Sandbox-Bridge.ut2"_s},
             {{u"CTF-Sandbox-Bridge-1.bmp"_s, previewPicture()},
              {u"CTF-Sandbox-Bridge-readme.txt"_s,
               "CTF-Sandbox-Bridge\r\n\r\nA sample map of the Quorvel sandbox.\r\n"
               "Two bases, one bridge. Nothing here is a real game file.\r\n"}});
    writeZip(at.maps + u"/ONS-Sandbox-Valley.zip"_s,
             {u"ONS-Sandbox-Valley.ut2"_s, u"SandboxValley.usx"_s, u"SandboxValley.utx"_s});
    writeRar(at.maps + u"/AS-Sandbox-Tower.rar"_s,
             {u"AS-Sandbox-Tower.ut2"_s, u"SandboxTower.ukx"_s, u"SandboxTower.u"_s});
    writeZip(at.maps + u'/' + n.installedMap,
             {u"DM-Sandbox-Courtyard.ut2"_s, u"SandboxCourtyard.utx"_s});
    writeFile(at.maps + u'/' + n.rejectedMap, "This file only looks like a zip archive.\n");

    writeZip(at.mutators + u"/MutSandboxSpeed.zip"_s, {u"MutSandboxSpeed.u"_s},
             {{u"MutSandboxSpeed.int"_s, intFile(u"MutSandboxSpeed"_s, n.mutators[1])}});
    writeRar(at.mutators + u"/MutSandboxGravity.rar"_s, {u"MutSandboxGravity.u"_s},
             {{u"MutSandboxGravity.int"_s, intFile(u"MutSandboxGravity"_s, n.mutators[0])}});
    writeZip(at.mutators + u"/MutSandboxVampire.zip"_s, {u"MutSandboxVampire.u"_s},
             {{u"MutSandboxVampire.int"_s, intFile(u"MutSandboxVampire"_s, n.installedMutator)}});

    writeZip(at.skins + u"/SandboxKnight.zip"_s, {u"SandboxKnight.utx"_s, u"SandboxKnight.ukx"_s},
             {{u"SandboxKnight.upl"_s, uplFile(u"SandboxKnight"_s)}});
    writeRar(at.skins + u"/SandboxRobot.rar"_s, {u"SandboxRobot.utx"_s},
             {{u"SandboxRobot.upl"_s, uplFile(u"SandboxRobot"_s)}});
    writeZip(at.skins + u"/SandboxPirate.zip"_s, {u"SandboxPirate.utx"_s},
             {{u"SandboxPirate.upl"_s, uplFile(n.installedSkin)}});
}

void writeGameFolder(const SandboxLayout& at) {
    for (const char* sub : {"System", "Maps", "Textures", "StaticMeshes", "Sounds", "Music",
                            "Animations", "KarmaData", "Help", "Cache", "Demos"})
        makeFolder(at.game + u'/' + QLatin1String(sub));
    // What a game folder already holds before any custom content.
    for (const char* file :
         {"System/Core.u", "System/Engine.u", "System/UT2004.ini", "Maps/DM-Stock-Plaza.ut2",
          "Maps/CTF-Stock-Canyon.ut2", "Textures/StockTextures.utx", "Sounds/StockSounds.uax",
          "Music/StockTheme.ogg"})
        writeFile(at.game + u'/' + QLatin1String(file), filler(QLatin1String(file)));

    // The download cache: a map that imports a texture package, the texture
    // package, and a mutator, under the game's key names.
    using testing_support::CacheEntry;
    using testing_support::cacheKey;
    using testing_support::importingPackage;
    const QList<CacheEntry> cache = {
        {cacheKey(1), u"DM-Sandbox-Cached.ut2"_s, importingPackage({u"SandboxCachedTex"_s})},
        {cacheKey(2), u"SandboxCachedTex.utx"_s, importingPackage({})},
        {cacheKey(3), u"MutSandboxCached.u"_s, importingPackage({})},
    };
    if (!testing_support::writeCache(at.game + u"/Cache"_s, cache))
        fail(at.game + u"/Cache"_s);
}

void writeDemosAndUz2(const SandboxLayout& at) {
    makeFolder(at.demos);
    writeFile(at.demos + u"/Sandbox-Duel.demo4"_s, filler(u"Sandbox-Duel.demo4"_s));
    // Demos are played from archives as well.
    writeZip(at.demos + u"/Sandbox-Capture.zip"_s, {u"Sandbox-Capture.demo4"_s});

    makeFolder(at.uz2);
    writeFile(at.uz2 + u"/SandboxPackage.u"_s, filler(u"SandboxPackage.u"_s).repeated(200));
    QByteArray packed;
    const cache::Uz2Result packedOk =
        cache::compressUz2Bytes(filler(u"DM-Sandbox-Download.ut2"_s).repeated(200), packed);
    if (!packedOk.ok)
        throw platform::Error(packedOk.error);
    writeFile(at.uz2 + u"/DM-Sandbox-Download.ut2.uz2"_s, packed);
}

/// `text` in single quotes for /bin/sh.
QString shellQuoted(const QString& text) {
    QString quoted = text;
    quoted.replace(u"'"_s, u"'\\''"_s);
    return u'\'' + quoted + u'\'';
}

void writeProgram(const QString& path, const QString& body) {
    writeFile(path, body.toUtf8());
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeGroup |
                                    QFile::ExeOther);
}

void writePrograms(const SandboxLayout& at, const QString& converter) {
    const QString log = shellQuoted(at.log);
    writeProgram(at.game + u"/System/ut2004-bin"_s,
                 u"#!/bin/sh\n"
                 "# The sandbox's stand-in for the game: it writes what it was asked to\n"
                 "# do to the sandbox's log and plays nothing.\n"
                 "{\n"
                 "  printf '%s game, in %s:' \"$(date '+%F %T')\" \"$PWD\"\n"
                 "  for a in \"$@\"; do printf ' %s' \"$a\"; done\n"
                 "  echo\n"
                 "  if [ -f rundemo.txt ]; then sed 's/^/    rundemo.txt: /' rundemo.txt; fi\n"
                 "} >> "_s +
                     log + u"\nexit 0\n"_s);
    const QString hand =
        converter.isEmpty()
            ? u"echo '    (this sandbox has no converter: nothing was done)' >> "_s + log +
                  u"\nexit 1\n"_s
            : u"exec "_s + shellQuoted(converter) + u" --ucc \"$@\"\n"_s;
    writeProgram(at.game + u"/System/ucc-bin"_s,
                 u"#!/bin/sh\n"
                 "# The sandbox's stand-in for the game's tool: it writes what it was\n"
                 "# asked to do to the sandbox's log, then has Quorvel's codec do it.\n"
                 "{\n"
                 "  printf '%s tool, in %s:' \"$(date '+%F %T')\" \"$PWD\"\n"
                 "  for a in \"$@\"; do printf ' %s' \"$a\"; done\n"
                 "  echo\n"
                 "} >> "_s +
                     log + u"\n"_s + hand);
}

} // namespace

void writeContent(const SandboxLayout& at, const QString& converter) {
    for (const QString& folder : {at.maps, at.mutators, at.skins})
        makeFolder(folder);
    writeGameFolder(at);
    writeArchives(at);
    writeDemosAndUz2(at);
    writePrograms(at, converter);
}

} // namespace sandbox
