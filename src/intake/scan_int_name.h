#pragma once

#include "core/command_context.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace intake {

/// A mutator's .int file is read up to this many bytes; a longer one is
/// not a real description file, and its first part is enough.
inline constexpr qint64 MaxIntFileBytes = 4 * 1024 * 1024;

/// The lines of a .int file's bytes: UTF-16 (either order) or UTF-8 when a
/// byte order mark says so, else UTF-8 when valid, else Windows-1252. CR
/// LF, LF and a lone CR each end a line.
QStringList intFileLines(const QByteArray& bytes);

/// The display name in a .int file's lines, in three passes: the first
/// line holding "itemname=" (any case) gives what stands between the
/// character after it and the next double quote; failing that, the same
/// with "friendlyname="; failing that, the first line holding "name="
/// gives what follows it up to the next ".". A matching line without its
/// closing character gives the empty name; so do no matching lines.
QString intNameFromLines(const QStringList& lines);

/// Reads the name from TempDir + "/" + the bare name of `entryName` (the
/// entry just extracted there) and deletes that file, read-only or not.
/// Empty when the file cannot be read or TempDir is not set.
QString ReadIntName(CommandContext& ctx, const QString& entryName);

} // namespace intake
