#include "cache/package_imports.h"

#include "core/content_catalogue.h"

#include <QHash>
#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace cache {

namespace {

/// The classes whose objects live in packages other than code packages.
const QHash<QString, QString>& classExtensions() {
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        const QString textures = u".utx"_s;
        for (const char16_t* c : {u"texture",
                                  u"shader",
                                  u"combiner",
                                  u"finalblend",
                                  u"texpanner",
                                  u"texrotator",
                                  u"texscaler",
                                  u"texoscillator",
                                  u"texenvmap",
                                  u"texcoordsource",
                                  u"texmatrix",
                                  u"colormodifier",
                                  u"cubemap",
                                  u"constantcolor",
                                  u"fadecolor",
                                  u"materialswitch",
                                  u"materialsequence",
                                  u"opacitymodifier",
                                  u"vertexcolor",
                                  u"palette",
                                  u"scriptedtexture",
                                  u"fluidtexture",
                                  u"firetexture",
                                  u"icetexture",
                                  u"watertexture",
                                  u"wavetexture",
                                  u"wettexture",
                                  u"particlematerial",
                                  u"font"})
            t.insert(QString::fromUtf16(c), textures);
        for (const char16_t* c : {u"sound", u"proceduralsound", u"soundgroup"})
            t.insert(QString::fromUtf16(c), u".uax"_s);
        t.insert(u"staticmesh"_s, u".usx"_s);
        for (const char16_t* c :
             {u"mesh", u"lodmesh", u"vertmesh", u"skeletalmesh", u"meshanimation"})
            t.insert(QString::fromUtf16(c), u".ukx"_s);
        return t;
    }();
    return table;
}

/// The 0-based import a reference points to, or -1: a negative reference
/// -n is import n - 1; 0 and positive ones (exports) are none.
qsizetype importOf(qint32 reference, qsizetype count) {
    if (reference >= 0)
        return -1;
    const qint64 index = -qint64(reference) - 1;
    return index < count ? qsizetype(index) : -1;
}

} // namespace

const QStringList& packageExtensions() {
    static const QStringList extensions = [] {
        QStringList out;
        for (const catalogue::ExtensionRule& rule : catalogue::extensionTable()) {
            if (rule.package)
                out.append(rule.ext);
        }
        return out;
    }();
    return extensions;
}

bool isPackageFile(const QString& fileName) {
    return catalogue::isPackageFile(fileName);
}

QString extensionForClass(const QString& className) {
    return classExtensions().value(className.toLower(), u".u"_s);
}

QList<ImportedPackage> importedPackages(const TUTPackage& package, const QString& ownName) {
    const QList<TUTImportTableObjectData>& imports = package.Imports();
    const qsizetype count = imports.size();
    // The outermost import of each import: its package file.
    QList<qsizetype> top(count);
    for (qsizetype i = 0; i < count; ++i) {
        qsizetype at = i;
        // A chain longer than the table loops; it ends where it stands.
        for (qsizetype steps = 0; steps < count; ++steps) {
            const qsizetype outer = importOf(imports[at].Package, count);
            if (outer < 0)
                break;
            at = outer;
        }
        top[i] = at;
    }
    QList<ImportedPackage> out;
    QHash<QString, qsizetype> byName;
    QSet<qsizetype> typed;
    const QString self = ownName.toCaseFolded();
    for (qsizetype i = 0; i < count; ++i) {
        const QString name = package.ImportObjectName(&imports[top[i]]);
        const QString key = name.toCaseFolded();
        if (name.isEmpty() || key == self)
            continue;
        auto it = byName.constFind(key);
        if (it == byName.constEnd()) {
            it = byName.insert(key, out.size());
            out.append({name, u".u"_s});
        }
        // The first object imported from the package names its kind; a
        // group inside it (class Package) says nothing.
        const QString className = package.NameAt(imports[i].Class);
        if (i != top[i] && !typed.contains(*it) &&
            className.compare(u"Package"_s, Qt::CaseInsensitive) != 0) {
            out[*it].extension = extensionForClass(className);
            typed.insert(*it);
        }
    }
    return out;
}

} // namespace cache
