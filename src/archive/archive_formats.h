#pragma once

#include "archive/archive_backend.h"

#include <QFlags>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <stdexcept>
#include <vector>

namespace platform {
class Dialogs;
}

/// The one table of archive formats: for each extension its backend and
/// what that backend can do. Every "is this an archive, and of which
/// kind" question of the program is asked here.
namespace archives {

/// What a format's backend can do.
enum class Ability : unsigned {
    List = 0x01,
    Extract = 0x02,
    /// Create Zip and the cache write archives of this format.
    Write = 0x04,
    /// Asks the user for a password when an entry needs one.
    Passwords = 0x08,
    /// Extraction can drop the entries' folders; a scan records the names
    /// as such an extraction writes them (bare). Without it entries always
    /// keep their folders and are recorded with them.
    FlatExtract = 0x10,
    /// A scan may list it ahead on worker threads, each with a silent
    /// backend of its own.
    ReadAhead = 0x20,
};
Q_DECLARE_FLAGS(Abilities, Ability)
Q_DECLARE_OPERATORS_FOR_FLAGS(Abilities)

/// One row of the format table.
struct ArchiveFormat {
    QString extension; ///< lower case, dot included
    QString word;      ///< as texts name it: "Not a valid zip-file"
    Abilities abilities;
    /// A quick look at a file before it is listed: below 1 means it is no
    /// archive of this format. Null: the format has no such look.
    int (*probe)(const QString& path);
    /// Makes the format's backend; `dialogs` may be null (no boxes).
    std::unique_ptr<ArchiveBackend> (*makeBackend)(platform::Dialogs* dialogs);

    bool can(Ability a) const { return abilities.testFlag(a); }
};

/// Every format, in the order folder searches look for them.
const QList<ArchiveFormat>& archiveFormats();
/// The format of a path by its extension, ignoring case; null for none.
const ArchiveFormat* formatOf(const QString& path);
/// The format Create Zip and the cache write.
const ArchiveFormat& writtenFormat();
/// "*.zip", "*.rar": the masks a folder search for archives uses.
QStringList archiveMasks();
/// The extensions joined for a text, each followed by `after`: ".zip or
/// .rar" with `last` " or ", ".zip- or .rar-" with `after` "-".
QString extensionsText(const QString& last, const QString& after = {});

/// One backend per format, made once for a program run (or a worker).
class ArchiveBackends {
public:
    explicit ArchiveBackends(platform::Dialogs* dialogs);
    ~ArchiveBackends();
    ArchiveBackends(const ArchiveBackends&) = delete;
    ArchiveBackends& operator=(const ArchiveBackends&) = delete;

    /// The backend of a row of archiveFormats().
    ArchiveBackend& of(const ArchiveFormat& format);
    /// The backend of a path's format; null when it has none.
    ArchiveBackend* forPath(const QString& path);
    /// The first backend of type T (the components' names stay the
    /// program's own: the window's ZipMaster1 and dRar31).
    template <typename T> T& backend() {
        for (const std::unique_ptr<ArchiveBackend>& b : backends_) {
            if (auto* found = dynamic_cast<T*>(b.get()))
                return *found;
        }
        throw std::logic_error("no such archive backend");
    }

    /// The bounds placement shares with extraction: the written format's
    /// backend's (the zip component's Limits, which tests replace for a
    /// full disk).
    ExtractionLimits& limits();
    /// Every backend extracts here when a call names no folder.
    void setDefaultTarget(const QString& folder);

private:
    std::vector<std::unique_ptr<ArchiveBackend>> backends_; // by table row
};

} // namespace archives
