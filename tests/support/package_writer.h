#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace testing_support {

/// The shortest compact index for `value` (sign and 6 bits, then 7 bits a
/// byte, the fifth byte whole).
QByteArray compactIndex(qint32 value);

struct PackageName {
    QByteArray text;
    quint32 flags = 0;
    /// When set, written instead of the encoded name (the flags follow it).
    std::optional<QByteArray> raw;
};

struct PackageImport {
    qint32 classPackage = 0;
    qint32 classIndex = 0;
    qint32 package = 0;
    qint32 object = 0;
};

struct PackageExport {
    qint32 classIndex = 0;
    qint32 super = 0;
    qint32 group = 0;
    qint32 object = 0;
    quint32 flags = 0;
    qint32 serialSize = 0;
    /// Written only when serialSize >= 1, as the format has it.
    qint32 serialOffset = 0;
};

/// An Unreal package for tests. The file holds the header, the name table,
/// some object data, the import table, the export table and (below version
/// 68) the heritage table, in that order, so a reader has to seek. Every
/// count and offset can be overridden to make hostile files.
struct PackageSpec {
    quint32 signature = 0x9E2A83C1;
    quint16 version = 128;
    quint16 licenseeMode = 29;
    quint32 flags = 0;
    QList<PackageName> names;
    QList<PackageImport> imports;
    QList<PackageExport> exports;
    /// Version 68 and later: the package GUID (16 bytes).
    QByteArray guid = QByteArray::fromHex("00112233445566778899AABBCCDDEEFF");
    /// Version 68 and later: bytes written between the table offsets and
    /// the GUID.
    QByteArray beforeGuid;
    /// Version 68 and later: (ExportCount, NameCount) per generation.
    QList<QPair<qint32, qint32>> generations = {{0, 0}};
    /// Below version 68: the heritage GUIDs (16 bytes each).
    QList<QByteArray> heritage;
    /// Bytes between the name table and the import table.
    QByteArray objectData = QByteArray("object data");

    std::optional<qint32> nameCount, exportCount, importCount, heritageCount, generationCount;
    std::optional<quint32> nameOffset, exportOffset, importOffset, heritageOffset;
};

/// The package's bytes.
QByteArray packageBytes(const PackageSpec& layout);

/// An object a package imports: from the package file `package`, of
/// `className` (Texture, Sound, Class, ...), named `object`. An empty
/// object imports the package alone.
struct ImportedObject {
    QByteArray package;
    QByteArray className;
    QByteArray object;
};
/// A package of the game's form (version 128) importing `objects` as the
/// game's own packages do: each package once as an import of class Package
/// without outer package, each object with that import as its outer one.
QByteArray packageImporting(const QList<ImportedObject>& objects);
/// Writes packageBytes(layout) to `path`; false when it cannot.
bool writePackage(const QString& path, const PackageSpec& layout);

} // namespace testing_support
