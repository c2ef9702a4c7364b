#pragma once

#include "cache/package.h"

#include <QList>
#include <QString>
#include <QStringList>

/// Which other packages a package needs: the packages at the top of its
/// import table (imports of class "Package" with no outer package), each
/// named with the extension its objects say it has.
namespace cache {

/// The extensions of the game's packages, lower case with the dot, in the
/// order a package is looked for: the extension table's packages.
const QStringList& packageExtensions();
/// True when `fileName` has one of packageExtensions(), ignoring case.
bool isPackageFile(const QString& fileName);

/// The extension of the package that holds objects of class `className`:
/// textures and materials .utx, sounds .uax, static meshes .usx, meshes
/// and animations .ukx, anything else (classes, code) .u.
QString extensionForClass(const QString& className);

/// A package another package imports.
struct ImportedPackage {
    QString name;      ///< the package name, as the import table holds it
    QString extension; ///< from the classes of the objects imported from it
    QString fileName() const { return name + extension; }
    bool operator==(const ImportedPackage&) const = default;
};

/// The packages `package` imports, in import table order, each once
/// (ignoring case), never the package itself (`ownName`, without
/// extension). An import whose outer chain loops or leaves the table is
/// taken as it stands.
QList<ImportedPackage> importedPackages(const TUTPackage& package, const QString& ownName);

} // namespace cache
