#pragma once

#include "core/command_context.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <utility>

struct TContentRecord;

/// The game's download cache: the Cache folder and its index cache.ini,
/// "[Cache]" and one line "key=file name" for each cached package, whose
/// file in the folder begins with the key and ends in ".uxx".
///
/// cache.ini is outside input. Its size is bounded before it is read, a
/// rewrite keeps every kept line byte for byte as it was (the game writes
/// 8-bit text, or UTF-16 when a name needs it), and a file name is used
/// only when it is one plain name, so no line can reach outside the cache
/// or the temporary folder. A key is matched as a literal prefix, never as
/// a wildcard.
namespace cache {

/// Bigger than any real index (a line per package, a few dozen bytes each).
inline constexpr qint64 MaxCacheIniSize = 16 * 1024 * 1024;
/// The file name after "=" is cut to this many characters.
inline constexpr qsizetype MaxCacheFileName = 255;

/// A line split at its first "=".
struct CacheLine {
    QString key;
    QString fileName; ///< the whole text after the first "=", at most 255 characters
};

/// The line split at its first "="; nullopt for a line without one (not a
/// cached package, like "[Cache]").
std::optional<CacheLine> splitCacheLine(const QString& line);
/// The line as a package the page can take out of the cache: split, with a
/// key, and a file name that is a single plain name (not empty, no "/" or
/// "\", not "." or ".."). nullopt for any other line.
std::optional<CacheLine> cachedPackage(const QString& line);
/// The file name up to (not including) its first ".": the name a package
/// is imported by.
QString packageBase(const QString& fileName);

/// The lines of cache.ini, each with its text and its bytes.
class CacheIni {
public:
    /// Splits the bytes at line feeds (a carriage return before one is
    /// dropped; a last line without an ending counts). A leading UTF-16LE
    /// byte order mark reads the file as UTF-16; otherwise each line is
    /// UTF-8 when it is valid UTF-8, else Windows-1252. A byte order mark
    /// is no part of a line's text, so a line reads the same wherever a
    /// rewrite puts it.
    static CacheIni fromBytes(const QByteArray& bytes);
    /// The lines ended by CR LF, in the file's own encoding; a kept line
    /// gives back exactly the bytes it was read from.
    QByteArray toBytes() const;

    qsizetype size() const { return lines_.size(); }
    const QString& text(qsizetype i) const { return lines_[i].text; }
    QStringList texts() const;
    /// Keeps the lines for which `keep` (given the line's text) is true.
    void keepOnly(const std::function<bool(const QString&)>& keep);

private:
    struct Line {
        QString text;
        QByteArray bytes; ///< as read (8-bit files only)
    };
    bool utf16_ = false;
    QList<Line> lines_;
};

/// The plain files of the Cache folder, for the two look-ups the page
/// makes: a package file that exists for a key (key + "*.uxx"), and the
/// file to move for a key (key + "*.*"). Both ignore case.
class CacheFiles {
public:
    explicit CacheFiles(const QStringList& names);
    /// A file whose name begins with `key` and ends in ".uxx" after it.
    bool hasPackage(const QString& key) const;
    /// The first file in name order whose name begins with `key`; empty
    /// when none does or the key is empty.
    QString first(const QString& key) const;
    void remove(const QString& name);

private:
    /// (case-folded name, name), sorted.
    QList<std::pair<QString, QString>> names_;
    qsizetype lowerBound(const QString& foldedKey) const;
};

/// cache.ini tidied: lines without "=" stay; a line with one stays only
/// when the cache holds a package file for its key (an empty key has
/// none).
void tidyCacheIni(CacheIni& ini, const CacheFiles& files);
/// The file names to list, in file order: of every cached package line,
/// only ".ut2" files (extension compared in lower case) when `mapsOnly`.
QStringList cacheFileNames(const CacheIni& ini, bool mapsOnly);
/// The first cached package line whose file name is `name` (the whole text
/// after "=", so "Foo.utx" never finds "X=BigFoo.utx"); -1 when none.
qsizetype findCacheLine(const CacheIni& ini, const QString& name);
/// Drops the lines whose file name is one of `names` (the whole text after
/// "="); lines without "=" stay.
void removeCacheNames(CacheIni& ini, const QStringList& names);

/// CacheDir when it names a cache folder of a configured game; empty
/// otherwise, so an unset game never points the page at the working folder.
QString cacheFolder(const AppState& state);
/// The Cache folder's plain files (links included, folders not), listed
/// from disk now: the lines a tidy drops must not be judged by a listing
/// older than the game's last download.
CacheFiles listCacheFiles(const AppState& state);
/// The path of cache.ini found ignoring case; nullopt when there is none.
std::optional<QString> findCacheIni(const AppState& state);
/// Reads cache.ini; throws platform::Error when it cannot be read or is
/// larger than MaxCacheIniSize.
CacheIni readCacheIni(const QString& path);

/// ListCache without the widget: with no cache.ini, the warning naming
/// GameDir and nullopt; otherwise cache.ini tidied and rewritten when that
/// changes it, the names to list (in file order; the list sorts them) and
/// the status "  <n> files listed in Cache".
std::optional<QStringList> ListCache(CommandContext& ctx, bool mapsOnly);

/// Rewrites cache.ini without the lines naming one of the record's files
/// Files[0 .. FileCount). Throws platform::Error when cache.ini cannot be
/// read or written.
void RemoveCacheEntries(CommandContext& ctx, const TContentRecord& record);

} // namespace cache
