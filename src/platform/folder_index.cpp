#include "platform/folder_index.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

/// The folder without trailing "/"; the root stays "/". The working folder,
/// empty, goes by its full path like any other.
QString folderKey(const QString& folder) {
    QString key = folder.isEmpty() ? QDir::currentPath() : folder;
    while (key.size() > 1 && key.endsWith(u'/'))
        key.chop(1);
    return key;
}

/// Splits a path into its folder key and last component.
std::pair<QString, QString> splitPath(const QString& path) {
    const QString p = folderKey(path);
    const qsizetype slash = p.lastIndexOf(u'/');
    if (slash < 0)
        return {folderKey(QString()), p};
    return {slash == 0 ? u"/"_s : p.left(slash), p.mid(slash + 1)};
}

} // namespace

FolderIndex::Listing& FolderIndex::listing(const QString& key) {
    auto it = folders_.find(key);
    if (it != folders_.end())
        return *it;
    ++listings_;
    Listing names;
    // Unsorted: order is decided at look-up. QDir::System brings broken
    // links and special files, so every name the folder holds is seen.
    const QStringList children = QDir(key).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString& child : children)
        names[child.toCaseFolded()].append(child);
    return *folders_.insert(key, names);
}

std::optional<QString> FolderIndex::find(const QString& folder, const QString& name) {
    if (name.isEmpty())
        return std::nullopt;
    const Listing& names = listing(folderKey(folder));
    const auto it = names.constFind(name.toCaseFolded());
    if (it == names.constEnd() || it->isEmpty())
        return std::nullopt;
    const QString& child =
        it->contains(name) ? name : *std::min_element(it->constBegin(), it->constEnd());
    return childBase(folder) + child;
}

QString FolderIndex::resolve(const QString& folder, const QString& name) {
    return find(folder, name).value_or(childBase(folder) + name);
}

bool FolderIndex::exists(const QString& folder, const QString& name) {
    return find(folder, name).has_value();
}

QStringList FolderIndex::findAll(const QString& folder, const QString& name) {
    if (name.isEmpty())
        return {};
    const Listing& names = listing(folderKey(folder));
    const auto it = names.constFind(name.toCaseFolded());
    if (it == names.constEnd())
        return {};
    QStringList children = *it;
    std::sort(children.begin(), children.end());
    const QString base = childBase(folder);
    for (QString& child : children)
        child.prepend(base);
    return children;
}

QList<FileEntry> FolderIndex::list(const QString& folder, const QString& mask) {
    const Listing& names = listing(folderKey(folder));
    QStringList matching;
    for (const QStringList& variants : names) {
        for (const QString& name : variants) {
            if (matchesMask(mask, name))
                matching.append(name);
        }
    }
    std::sort(matching.begin(), matching.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    const QString base = childBase(folder);
    QList<FileEntry> out;
    out.reserve(matching.size());
    for (const QString& name : matching) {
        const QFileInfo info(base + name);
        FileEntry e;
        e.name = name;
        e.path = base + name;
        e.isDir = info.isDir() && !info.isSymLink();
        e.readOnly = !info.isSymLink() && !(info.permissions() & QFileDevice::WriteOwner);
        out.append(e);
    }
    return out;
}

void FolderIndex::added(const QString& path) {
    if (path.isEmpty())
        return;
    forgetFrom(folderKey(path));
    const auto [key, name] = splitPath(path);
    const auto it = folders_.find(key);
    if (name.isEmpty() || it == folders_.end())
        return;
    QStringList& variants = (*it)[name.toCaseFolded()];
    if (!variants.contains(name))
        variants.append(name);
}

void FolderIndex::removed(const QString& path) {
    if (path.isEmpty())
        return;
    forgetFrom(folderKey(path));
    const auto [key, name] = splitPath(path);
    const auto it = folders_.find(key);
    if (name.isEmpty() || it == folders_.end())
        return;
    const QString folded = name.toCaseFolded();
    const auto names = it->find(folded);
    if (names == it->end())
        return;
    names->removeAll(name);
    if (names->isEmpty())
        it->erase(names);
}

void FolderIndex::clear() {
    folders_.clear();
}

void FolderIndex::forgetFrom(const QString& key) {
    if (key.isEmpty() || key == u"/"_s)
        return;
    const QString below = key + u'/';
    folders_.removeIf(
        [&](const auto& entry) { return entry.key() == key || entry.key().startsWith(below); });
}

} // namespace platform
