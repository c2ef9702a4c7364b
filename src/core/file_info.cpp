#include "core/file_info.h"

#include "core/globals.h"
#include "platform/errors.h"

using namespace Qt::Literals::StringLiterals;

namespace file_info {

namespace {
// A record made from the game's cache has no archive of its own: its
// archive name, added date and count say nothing and are not shown.
const QString CacheDir = u"Cache"_s;
} // namespace

bool isFileInfoTag(int tag) {
    return tag == 1 || tag == 21 || tag == 31 || tag == 41 || tag == 51 || tag == 61;
}

QString recordFileFor(const AppState& state, int tag) {
    if (!isFileInfoTag(tag))
        throw platform::Error(u"No list has the Tag %1."_s.arg(tag));
    return tag <= 21 ? state.mapDataPath() : state.modDataPath();
}

QString firstLabelFor(int tag) {
    if (!isFileInfoTag(tag))
        throw platform::Error(u"No list has the Tag %1."_s.arg(tag));
    if (tag <= 21)
        return u"Mapname : "_s;
    return tag <= 41 ? u"Mutator : "_s : u"Skin  :  "_s;
}

QString ExtensionWord(const QString& archiveName) {
    const qsizetype dot = archiveName.lastIndexOf(u'.');
    if (dot < 0)
        return {};
    // The extension with its dot is cut to 5 characters, then the dot goes.
    return archiveName.mid(dot, 5).mid(1);
}

FileInfo describe(const TContentRecord& record, const QString& firstLabel) {
    FileInfo info;
    info.rows.resize(FileInfo::HeaderRows);
    const QString word = ExtensionWord(record.ArchiveName);
    const bool fromArchive = record.ArchiveDir != CacheDir;
    info.rows[0] = {firstLabel, record.DisplayName};
    if (fromArchive) {
        info.rows[1] = {u"Name of "_s + word + u"-file :"_s, record.ArchiveName};
        info.rows[3] = {u"Added   :   "_s, record.AddedDate};
        info.rows[5] = {u"No. of files in "_s + word + u" :"_s, QString::number(record.FileCount)};
    }
    info.rows[2] = {u"Place on disk :"_s, record.ArchiveDir};
    if (record.Installed == 1)
        info.rows[4] = {u"Installdate : "_s, record.InstallDate};
    else
        info.rows[4] = {u"Installdate :"_s, u"Not installed"_s};
    // A record read from disk holds exactly FileCount names; one built in
    // memory may say more than it holds.
    info.files = record.Files.mid(0, qBound(0, record.FileCount, int(record.Files.size())));
    return info;
}

FileInfo MapInfo(const AppState& state, int tag, const QString& entry) {
    const QString label = firstLabelFor(tag);
    return describe(content_db::FindByName(recordFileFor(state, tag), entry), label);
}

} // namespace file_info
