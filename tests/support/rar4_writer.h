#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace testing_support {

/// One entry of a RAR 2.9/4.x test archive. Entries are stored
/// (method 0x30), never compressed or encrypted.
struct Rar4Entry {
    /// The name bytes as stored: "\" separators, drive letters and ".."
    /// are written as given.
    QByteArray name;
    QByteArray data;
    bool folder = false;
    /// 0 MS-DOS, 2 Win32, 3 Unix.
    quint8 hostOs = 2;
    /// 0: the usual value for the host (0x20/0x10 on Windows,
    /// 0100644/040755 on Unix).
    quint32 attributes = 0;
    /// When set, the name is also stored in the format's Unicode form
    /// (header flag 0x200) and `name` is the narrow fallback.
    QString unicodeName;
    /// Stores a file CRC that does not match the data.
    bool badCrc = false;
    /// The unpacked size the header declares; unset: the data's size. The
    /// packed size is always that of the data that follows.
    std::optional<quint32> declaredSize;

    static Rar4Entry file(const QByteArray& name, const QByteArray& data);
    static Rar4Entry dir(const QByteArray& name);
    /// A Unix symbolic link whose data is the target path.
    static Rar4Entry symlink(const QByteArray& name, const QByteArray& target);
};

/// CRC32 (IEEE, reflected), as the format uses it.
quint32 rarCrc32(const QByteArray& bytes);

/// A whole archive: marker, main header, the entries in order, end block.
QByteArray rar4Archive(const QList<Rar4Entry>& entries);

/// Writes `rar4Archive(entries)` to `path`; false when it cannot.
bool writeRar4Archive(const QString& path, const QList<Rar4Entry>& entries);

} // namespace testing_support
