#pragma once

#include "platform/errors.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

class QIODevice;

namespace platform {
class ByteCursor;
}

namespace cache {

class PackageStream;

/// The file is no Unreal package: too short for the signature, or the
/// signature is wrong.
class EInvalidUTPackage : public platform::Error {
public:
    EInvalidUTPackage();
};

/// Any other failure while a package is read (the file cannot be opened, a
/// table runs past the end of the file); names the file and the inner error.
class EProcessingUTPackage : public platform::Error {
public:
    EProcessingUTPackage(const QString& fileName, const QString& innerText);
};

/// How a package is read. Only the game's own form is known; the forms of
/// other engine games are not carried.
enum class PackageVariant : quint8 {
    Detect = 0, ///< detect while reading; still Detect when nothing was recognised
    UT2004 = 1, ///< the game's own packages, read by the common rules
};

/// Reads a compact index (a signed integer of 1 to 5 bytes). Bits beyond
/// 32 are lost; bytes that end inside the index fail the cursor and give 0.
qint32 ReadCompactIndex(platform::ByteCursor& cursor);

struct TUTNameTableEntry {
    QString Name;
    quint32 Flags = 0;
};

struct TUTExportTableObjectData {
    qint32 Class = 0;        ///< object reference
    qint32 Super = 0;        ///< object reference
    qint32 Group = 0;        ///< object reference of the outer package or group
    qint32 Object = 0;       ///< name index
    quint32 Flags = 0;       ///< object flags
    qint32 SerialSize = 0;   ///< size of the object's data
    qint32 SerialOffset = 0; ///< file offset of the data; 0 when SerialSize < 1
    qsizetype Index = 0;     ///< 0-based position in the export table
};

struct TUTImportTableObjectData {
    qint32 ClassPackage = 0; ///< name index of the package defining the class
    qint32 Class = 0;        ///< name index of the class
    qint32 Package = 0;      ///< object reference of the outer package
    qint32 Object = 0;       ///< name index of the object's name
};

struct TUTGenerationInfo {
    qint32 ExportCount = 0;
    qint32 NameCount = 0;
};

/// Reads the header and the name, export, import and heritage tables of an
/// Unreal package, enough to tell which other packages it imports. Object
/// data is never read.
///
/// The file is outside input: every count is proven by the bytes that are
/// really there before anything is kept for it, so a huge count in a small
/// file fails at the end of the file, not in an allocation. The file is
/// open only while OpenPackage runs.
class TUTPackage {
public:
    TUTPackage() = default;
    TUTPackage(const TUTPackage&) = delete;
    TUTPackage& operator=(const TUTPackage&) = delete;

    /// Discards the package read before and reads `fileName`. Throws
    /// EInvalidUTPackage for a file that is no package, EProcessingUTPackage
    /// for any other failure (the lists then hold what was read up to it).
    void OpenPackage(const QString& fileName, PackageVariant variant = PackageVariant::Detect);
    /// The same from an open, random-access device (bytes not in a file);
    /// `fileName` names the package in errors and for variant detection.
    void OpenPackage(QIODevice& device, const QString& fileName,
                     PackageVariant variant = PackageVariant::Detect);

    qsizetype ImportCount() const { return imports_.size(); }
    /// The import at a 0-based index, or nullptr when there is none.
    const TUTImportTableObjectData* ImportEntry(qsizetype index) const;
    /// The name of the import's object; empty for nullptr or a name index
    /// outside the name table.
    QString ImportObjectName(const TUTImportTableObjectData* entry) const;
    /// The name at a 0-based name index; empty when out of range.
    QString NameAt(qint32 index) const;

    const QString& FileName() const { return fileName_; }
    PackageVariant Variant() const { return variant_; }
    quint16 Version() const { return version_; }
    quint16 LicenseeMode() const { return licenseeMode_; }
    quint32 Flags() const { return flags_; }
    const QList<TUTNameTableEntry>& Names() const { return names_; }
    const QList<TUTExportTableObjectData>& Exports() const { return exports_; }
    const QList<TUTImportTableObjectData>& Imports() const { return imports_; }
    /// GUIDs of 16 bytes each; for version 68 and later the package GUID alone.
    const QList<QByteArray>& Heritage() const { return heritage_; }
    const QList<TUTGenerationInfo>& Generations() const { return generations_; }

private:
    struct TableSpans;
    void discard();
    void readPackage(QIODevice& device);
    TableSpans readHeader(PackageStream& stream);
    void readGuidAndGenerations(PackageStream& stream, TableSpans& spans);
    void readHeritageSpan(PackageStream& stream, TableSpans& spans);
    void readNames(PackageStream& stream, const TableSpans& spans);

    QString fileName_;
    PackageVariant variant_ = PackageVariant::Detect;
    quint16 version_ = 0;
    quint16 licenseeMode_ = 0;
    quint32 flags_ = 0;
    QList<TUTNameTableEntry> names_;
    QList<TUTExportTableObjectData> exports_;
    QList<TUTImportTableObjectData> imports_;
    QList<QByteArray> heritage_;
    QList<TUTGenerationInfo> generations_;
};

} // namespace cache
