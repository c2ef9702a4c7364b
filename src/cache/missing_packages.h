#pragma once

#include "cache/package_imports.h"
#include "core/command_context.h"
#include "core/content_catalogue.h"
#include "platform/file_helpers.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

/// The packages a map, mutator or skin imports that neither its own
/// archive nor the game folders hold: the commonest reason a downloaded
/// map does not load. Read only when asked (File info, install, verify,
/// the command line's deps), never during a scan, and only the package
/// files of the one archive.
namespace cache {

/// What one package file imports, or why it could not be read.
struct PackageImports {
    QString fileName; ///< the package file, as the record lists it
    bool readable = false;
    QList<ImportedPackage> imports;
};

/// The imports read from archives and package files, each under its path
/// and trusted while the file keeps its size and modification time, so
/// opening File info again or installing after it reads nothing twice.
class ImportsCache {
public:
    /// The packages read from `path` when it is unchanged since; else null.
    const QList<PackageImports>* find(const QString& path) const;
    void store(const QString& path, QList<PackageImports> packages);
    /// How many archives and files were read (not answered from memory).
    int reads() const { return reads_; }

private:
    struct Entry {
        platform::FileStamp stamp;
        QList<PackageImports> packages;
    };
    QHash<QString, Entry> entries_;
    int reads_ = 0;
};

/// What a record's packages need.
struct ContentNeeds {
    /// Package files imported but found neither in the archive nor in the
    /// game folders, by name and the extension their objects tell, in the
    /// order first imported.
    QStringList missing;
    /// The record's package files that could not be read.
    QStringList unreadable;
    /// No game folder is set, so nothing could be looked for.
    bool noGame = false;
};

/// The "Needs" line of File info: "Needs Foo.utx, Bar.utx" or "Needs
/// nothing missing", then "; unreadable: " and the packages that could not
/// be read.
QString needsLine(const ContentNeeds& needs);

/// The needs of `record`. An installed record's package files are read
/// where the install put them in the game; any other record's from its
/// archive (only its package files, extracted into a scratch folder of its
/// own). An archive that is gone or cannot be read makes its packages
/// unreadable. Imports are looked for in the record's own package files
/// and then in the game folders by name, any package extension, ignoring
/// case.
ContentNeeds NeedsOf(CommandContext& ctx, const TContentRecord& record, ImportsCache& cache);

/// The question before an archive is installed: when it needs packages
/// that are not installed, "DM-X needs Foo.utx, BarTex.utx, which are not
/// installed. Install anyway?" (Yes, No, Yes to All). True to install;
/// `yesToAll` is the run's answer and, once set, installs without reading.
bool ConfirmInstall(CommandContext& ctx, const TContentRecord& record, ImportsCache& cache,
                    bool& yesToAll);

/// Makes every install through `ctx` ask ConfirmInstall first, reading
/// through `cache`.
void AskBeforeInstall(CommandContext& ctx, const std::shared_ptr<ImportsCache>& cache);

/// Installed content whose packages need what the game folders lack.
struct InstalledNeeds {
    catalogue::ContentKind page = catalogue::ContentKind::Maps;
    /// The record as the page's installed list shows it.
    catalogue::ListEntry entry{QString()};
    QString archiveName;
    ContentNeeds needs;
};

/// Every installed record of mapdata.dat and somdata.dat whose packages
/// import a package the game does not have, or cannot be read; in record
/// file order, maps first.
QList<InstalledNeeds> InstalledWithMissingImports(CommandContext& ctx, ImportsCache& cache);

} // namespace cache
