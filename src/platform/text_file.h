#pragma once

#include <QString>
#include <QStringList>

namespace platform {

/// Reads a text file as UTF-8 lines; CR LF and LF both end a line, and a
/// last line without an ending counts. At most `maxLines` lines when >= 0.
/// Throws platform::Error when the file cannot be read.
QStringList readLines(const QString& path, int maxLines = -1);

/// The whole content of a file. Throws platform::Error when it cannot be
/// read.
QByteArray readBytes(const QString& path);

/// Rewrites a text file whole and atomically, each line ended by CR LF.
/// Throws platform::Error with the system's text on failure.
void writeLines(const QString& path, const QStringList& lines);

/// Rewrites a file whole and atomically with the given bytes.
void writeBytes(const QString& path, const QByteArray& bytes);

} // namespace platform
