#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "support/qt_printers.h"

namespace testing_support {

/// A mebibyte, for sizes in tests.
inline constexpr qint64 MiB = qint64(1) << 20;

/// A temporary folder for one test, with helpers that make files in it.
class TempTree {
public:
    TempTree();
    /// Absolute path of the root, without trailing "/".
    QString root() const { return dir_.path(); }
    /// root + "/" + relative.
    QString path(const QString& relative) const;
    /// Writes a file (folders made as needed) and returns its full path.
    QString file(const QString& relative, const QByteArray& content = {});
    /// Makes folders and returns the full path.
    QString folder(const QString& relative);
    /// Makes a fake game folder "<relative>" with the given sub-folders
    /// (default: System, Maps, Textures, ...) and returns its path.
    QString gameFolder(const QString& relative = QStringLiteral("game"),
                       const QStringList& subFolders = {});
    /// Reads a file whole (empty when missing).
    QByteArray read(const QString& relative) const;
    bool exists(const QString& relative) const;
    /// Names of all files below root, relative, sorted.
    QStringList allFiles() const;

private:
    QTemporaryDir dir_;
};

} // namespace testing_support
