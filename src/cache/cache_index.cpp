#include "cache/cache_index.h"

#include "core/content_catalogue.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/file_helpers.h"
#include "platform/io_errors.h"
#include "platform/status_sink.h"
#include "platform/text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace cache {

namespace {

/// The game writes cache.ini in UTF-16 (little-endian, with this mark)
/// when a name needs characters beyond 8 bits.
constexpr QByteArrayView kUtf16Bom("\xFF\xFE", 2);
constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF", 3);

/// Calls `line` with each line of `text` (split at '\n', one '\r' before
/// it dropped); a last line without an ending counts, an ending at the end
/// of the text makes no empty line.
template <typename Text, typename Char, typename Fn>
void forEachLine(const Text& text, Char feedChar, Char returnChar, Fn line) {
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype feed = text.indexOf(feedChar, start);
        qsizetype end = feed < 0 ? text.size() : feed;
        const qsizetype next = feed < 0 ? text.size() : feed + 1;
        if (end > start && text.at(end - 1) == returnChar)
            --end;
        line(text.sliced(start, end - start));
        start = next;
    }
}

/// Byte order marks are no part of a line's text, wherever the line stands
/// and however many lead it: a line reads the same when a rewrite makes it
/// the first of the file, where the UTF-16 decoder drops one mark itself.
QString withoutMark(const QString& text) {
    qsizetype marks = 0;
    while (marks < text.size() && text.at(marks) == QChar(0xFEFF))
        ++marks;
    return text.sliced(marks);
}

QByteArray readBounded(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw platform::Error(platform::cannotOpenText(path, file.errorString()));
    const QByteArray bytes = file.read(MaxCacheIniSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw platform::Error(platform::readErrorText(path, file.errorString()));
    if (bytes.size() > MaxCacheIniSize)
        throw platform::Error(u"\""_s + path + u"\" is too large for the game's cache index."_s);
    return bytes;
}

} // namespace

std::optional<CacheLine> splitCacheLine(const QString& line) {
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    return CacheLine{line.left(eq), line.mid(eq + 1, MaxCacheFileName)};
}

std::optional<CacheLine> cachedPackage(const QString& line) {
    std::optional<CacheLine> split = splitCacheLine(line);
    if (!split || split->key.isEmpty())
        return std::nullopt;
    const QString& name = split->fileName;
    if (name.isEmpty() || name == u"."_s || name == u".."_s || name.contains(u'/') ||
        name.contains(u'\\') || name.contains(QChar(0)))
        return std::nullopt;
    return split;
}

QString packageBase(const QString& fileName) {
    const qsizetype dot = fileName.indexOf(u'.');
    return dot < 0 ? fileName : fileName.left(dot);
}

CacheIni CacheIni::fromBytes(const QByteArray& bytes) {
    CacheIni ini;
    if (bytes.startsWith(kUtf16Bom)) {
        ini.utf16_ = true;
        QStringDecoder utf16(QStringConverter::Utf16LE);
        const QString all = utf16(QByteArrayView(bytes).sliced(kUtf16Bom.size()));
        forEachLine(all, u'\n', u'\r', [&ini](const QString& line) {
            ini.lines_.append({withoutMark(line), {}});
        });
        return ini;
    }
    // A UTF-8 mark stays with the bytes of its line (the first one, as a
    // rule) and is no part of the line's text.
    forEachLine(QByteArrayView(bytes), '\n', '\r', [&ini](QByteArrayView line) {
        const QByteArrayView text = line.startsWith(kUtf8Bom) ? line.sliced(kUtf8Bom.size()) : line;
        ini.lines_.append(
            {withoutMark(record_text::decode(text.data(), int(text.size()))), line.toByteArray()});
    });
    return ini;
}

QByteArray CacheIni::toBytes() const {
    // An 8-bit file whose first line now begins with the UTF-16 mark would
    // read as UTF-16: it is written as UTF-16, which keeps every text.
    if (utf16_ || (!lines_.isEmpty() && lines_.first().bytes.startsWith(kUtf16Bom))) {
        QStringEncoder utf16(QStringConverter::Utf16LE);
        QByteArray out = kUtf16Bom.toByteArray();
        for (const Line& line : lines_)
            out += QByteArray(utf16(line.text + u"\r\n"_s));
        return out;
    }
    QByteArray out;
    for (const Line& line : lines_) {
        out += line.bytes;
        out += "\r\n";
    }
    return out;
}

QStringList CacheIni::texts() const {
    QStringList out;
    out.reserve(lines_.size());
    for (const Line& line : lines_)
        out.append(line.text);
    return out;
}

void CacheIni::keepOnly(const std::function<bool(const QString&)>& keep) {
    lines_.removeIf([&keep](const Line& line) { return !keep(line.text); });
}

CacheFiles::CacheFiles(const QStringList& names) {
    names_.reserve(names.size());
    for (const QString& name : names)
        names_.append({name.toCaseFolded(), name});
    std::sort(names_.begin(), names_.end());
}

qsizetype CacheFiles::lowerBound(const QString& foldedKey) const {
    const auto it = std::lower_bound(names_.begin(), names_.end(), foldedKey,
                                     [](const std::pair<QString, QString>& entry,
                                        const QString& key) { return entry.first < key; });
    return it - names_.begin();
}

bool CacheFiles::hasPackage(const QString& key) const {
    if (key.isEmpty())
        return false;
    const QString folded = key.toCaseFolded();
    for (qsizetype i = lowerBound(folded); i < names_.size(); ++i) {
        const QString& name = names_[i].first;
        if (!name.startsWith(folded))
            break;
        // key + "*.uxx": the ending follows the key, it does not overlap it.
        if (name.size() >= folded.size() + 4 && name.endsWith(u".uxx"_s))
            return true;
    }
    return false;
}

QString CacheFiles::first(const QString& key) const {
    if (key.isEmpty())
        return {};
    const QString folded = key.toCaseFolded();
    const qsizetype i = lowerBound(folded);
    if (i < names_.size() && names_[i].first.startsWith(folded))
        return names_[i].second;
    return {};
}

void CacheFiles::remove(const QString& name) {
    names_.removeIf([&name](const std::pair<QString, QString>& e) { return e.second == name; });
}

void tidyCacheIni(CacheIni& ini, const CacheFiles& files) {
    ini.keepOnly([&files](const QString& text) {
        const std::optional<CacheLine> line = splitCacheLine(text);
        return !line || files.hasPackage(line->key);
    });
}

QStringList cacheFileNames(const CacheIni& ini, bool mapsOnly) {
    QStringList names;
    for (qsizetype i = 0; i < ini.size(); ++i) {
        const std::optional<CacheLine> package = cachedPackage(ini.text(i));
        if (!package)
            continue;
        if (mapsOnly && !catalogue::isMapFile(package->fileName))
            continue;
        names.append(package->fileName);
    }
    return names;
}

qsizetype findCacheLine(const CacheIni& ini, const QString& name) {
    for (qsizetype i = 0; i < ini.size(); ++i) {
        const std::optional<CacheLine> package = cachedPackage(ini.text(i));
        if (package && package->fileName == name)
            return i;
    }
    return -1;
}

void removeCacheNames(CacheIni& ini, const QStringList& names) {
    const QSet<QString> gone(names.begin(), names.end());
    ini.keepOnly([&gone](const QString& text) {
        const std::optional<CacheLine> line = splitCacheLine(text);
        return !line || !gone.contains(line->fileName);
    });
}

QString cacheFolder(const AppState& state) {
    if (state.GameDir.isEmpty() || state.CacheDir.isEmpty() || QDir::isRelativePath(state.CacheDir))
        return {};
    return state.CacheDir;
}

CacheFiles listCacheFiles(const AppState& state) {
    const QString folder = cacheFolder(state);
    QStringList names;
    if (!folder.isEmpty()) {
        for (const platform::FileEntry& e : platform::listByMask(folder, u"*"_s)) {
            if (!e.isDir)
                names.append(e.name);
        }
    }
    return CacheFiles(names);
}

std::optional<QString> findCacheIni(const AppState& state) {
    const QString folder = cacheFolder(state);
    if (folder.isEmpty())
        return std::nullopt;
    const QString path = platform::resolveIgnoringCase(folder, u"cache.ini"_s);
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    return path;
}

CacheIni readCacheIni(const QString& path) {
    return CacheIni::fromBytes(readBounded(path));
}

std::optional<QStringList> ListCache(CommandContext& ctx, bool mapsOnly) {
    const std::optional<QString> path = findCacheIni(ctx.state);
    if (!path) {
        ctx.dialogs.message(platform::MsgKind::Warning,
                            u"Cache folder is empty or the specified folder\r"_s +
                                ctx.state.GameDir + u"\ris not the UT2k4 main directory."_s,
                            platform::Ok, QPoint(125, 125));
        return std::nullopt;
    }
    QByteArray before = readBounded(*path);
    CacheIni ini = CacheIni::fromBytes(before);
    tidyCacheIni(ini, listCacheFiles(ctx.state));
    // Written only when tidying changed something; the kept lines are the
    // same bytes either way. Listing is a reader's work until then: the
    // lock is taken now, and the file read again under it.
    if (ini.toBytes() != before && ctx.beforeWriting) {
        ctx.beforeWriting();
        before = readBounded(*path);
        ini = CacheIni::fromBytes(before);
        tidyCacheIni(ini, listCacheFiles(ctx.state));
    }
    if (const QByteArray after = ini.toBytes(); after != before)
        platform::writeBytes(*path, after);
    const QStringList names = cacheFileNames(ini, mapsOnly);
    ctx.status.setStatus(u"  "_s + QString::number(names.size()) + u" files listed in Cache"_s);
    return names;
}

void RemoveCacheEntries(CommandContext& ctx, const TContentRecord& record) {
    const std::optional<QString> found = findCacheIni(ctx.state);
    if (!found)
        throw platform::Error(u"The game's cache index cache.ini is missing in \""_s +
                              ctx.state.CacheDir + u"\"."_s);
    const QString& path = *found;
    const QByteArray before = readBounded(path);
    CacheIni ini = CacheIni::fromBytes(before);
    removeCacheNames(ini,
                     record.Files.mid(0, qBound(0, record.FileCount, int(record.Files.size()))));
    if (const QByteArray after = ini.toBytes(); after != before)
        platform::writeBytes(path, after);
}

} // namespace cache
