// Feeds arbitrary bytes to the cache.ini reader as the Cache page meets
// them: split into lines, tidied against the files of a cache folder,
// listed, looked up and cut down by RemoveCacheEntries, in memory and on
// disk. Nothing may crash; a rewrite must read back as the same lines; no
// listed name may reach outside a folder; a tidy keeps exactly the lines
// without "=" and the lines whose key has a package file.
#include "cache/cache_index.h"
#include "core/app_core.h"
#include "core/content_db.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/status_sink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;
using namespace cache;

namespace {

/// Answers every question with its first button and shows nothing.
class SilentDialogs : public platform::Dialogs {
public:
    platform::Button message(platform::MsgKind, const QString&, platform::Buttons,
                             QPoint) override {
        return platform::Ok;
    }
    void plainMessage(const QString&) override {}
    void errorMessage(const QString&) override {}
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    QStringList openFiles(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString chooseFolder(const QString&, const QString&, bool) override { return {}; }
};

void require(bool condition) {
    if (!condition)
        std::abort();
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    return file.readAll();
}

/// A key that can name a file of the cache folder: no separator, no zero,
/// short enough, and no lone surrogate (a file name on disk cannot hold
/// one, so such a key names no file).
bool usableKey(const QString& key) {
    const QByteArray encoded = key.toUtf8();
    return !key.isEmpty() && encoded.size() < 200 && !key.contains(u'/') &&
           !key.contains(QChar(0)) && key != u"."_s && key != u".."_s &&
           QString::fromUtf8(encoded) == key;
}

/// The pure rules: lines, tidy, listing, look-up, removal.
void checkInMemory(const QByteArray& bytes, const QStringList& fileNames) {
    const CacheIni ini = CacheIni::fromBytes(bytes);
    const QByteArray written = ini.toBytes();
    const CacheIni again = CacheIni::fromBytes(written);
    require(again.texts() == ini.texts());
    require(again.toBytes() == written);

    const CacheFiles files(fileNames);
    CacheIni tidy = ini;
    tidyCacheIni(tidy, files);
    qsizetype kept = 0;
    for (qsizetype i = 0; i < ini.size(); ++i) {
        const std::optional<CacheLine> line = splitCacheLine(ini.text(i));
        if (!line || files.hasPackage(line->key)) {
            require(kept < tidy.size() && tidy.text(kept) == ini.text(i));
            ++kept;
        }
    }
    require(kept == tidy.size());

    const QStringList names = cacheFileNames(tidy, false);
    for (const QString& name : names) {
        require(!name.isEmpty() && name.size() <= MaxCacheFileName);
        require(!name.contains(u'/') && !name.contains(u'\\') && name != u".."_s);
        const qsizetype at = findCacheLine(tidy, name);
        require(at >= 0 && cachedPackage(tidy.text(at))->fileName == name);
    }
    for (const QString& map : cacheFileNames(tidy, true))
        require(names.contains(map) && map.toLower().endsWith(u".ut2"_s));

    CacheIni removed = tidy;
    removeCacheNames(removed, names);
    require(cacheFileNames(removed, false).isEmpty());
    qsizetype plain = 0;
    for (qsizetype i = 0; i < tidy.size(); ++i)
        plain += splitCacheLine(tidy.text(i)) ? 0 : 1;
    require(removed.size() >= plain);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "cache_index_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    static SilentDialogs dialogs;
    static platform::MemoryStatusSink status;
    static AppCore core(dialogs, status);
    static const bool ready = [] {
        QDir().mkpath(dir.path() + u"/game/Cache"_s);
        core.state.ProgramDir = dir.path();
        core.state.setGameDir(dir.path() + u"/game"_s);
        return true;
    }();
    (void)ready;

    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Package files for the keys of some lines, so a tidy keeps some and
    // drops others.
    const CacheIni ini = CacheIni::fromBytes(bytes);
    QStringList fileNames{u"cache.ini"_s};
    for (qsizetype i = 0; i < ini.size() && fileNames.size() < 6; ++i) {
        const std::optional<CacheLine> line = splitCacheLine(ini.text(i));
        if (line && usableKey(line->key) && i % 3 != 2)
            fileNames.append(line->key + (i % 3 == 0 ? u".uxx"_s : u"-tmp.uxx"_s));
    }
    checkInMemory(bytes, fileNames);
    // The disk round costs a synced rewrite: one input in four takes it,
    // chosen by the input alone so that a finding replays the same way.
    if (size % 4 != 0)
        return 0;

    // The folder ends with a slash. Files go by their full path: a bare
    // name starting with ":" would be taken for a resource by Qt and an
    // earlier input's file would stay behind.
    const QString folder = core.state.CacheDir;
    for (const QString& f : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!QFile::remove(folder + f))
            std::abort();
    }
    for (const QString& f : fileNames) {
        QFile file(folder + f);
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
        if (f == u"cache.ini"_s)
            file.write(bytes);
    }
    try {
        const std::optional<QStringList> listed = ListCache(core.context(), false);
        require(listed.has_value());
        CacheIni expected = ini;
        tidyCacheIni(expected, CacheFiles(fileNames));
        require(*listed == cacheFileNames(expected, false));
        // Rewritten only when the tidy changed something: the bytes are
        // the kept lines' own either way.
        require(fileBytes(folder + u"cache.ini"_s) == expected.toBytes());
        if (!listed->isEmpty()) {
            TContentRecord rec;
            rec.Files = listed->mid(0, 2);
            rec.FileCount = qint32(rec.Files.size());
            RemoveCacheEntries(core.context(), rec);
            CacheIni rest = expected;
            removeCacheNames(rest, rec.Files);
            for (const QString& gone : rec.Files)
                require(findCacheLine(rest, gone) < 0);
            // A mark at the start of a line may become the file's own
            // mark: the lines read the same.
            require(CacheIni::fromBytes(fileBytes(folder + u"cache.ini"_s)).texts() ==
                    rest.texts());
        }
    } catch (const platform::Error&) {
        // Only an index too large to be read is refused.
        require(qint64(size) > MaxCacheIniSize);
    }
    return 0;
}
