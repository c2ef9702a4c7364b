#include "intake/scan_rules.h"

#include "archive/archive_formats.h"
#include "platform/file_helpers.h"

using namespace Qt::Literals::StringLiterals;

namespace intake {

namespace {

// A kind with its record file alone (maps in mapdata.dat).
bool keepOwnFileRecord(catalogue::ContentKind kind, const TContentRecord& rec,
                       const WriteBackInput& in) {
    if (rec.Installed == 1)
        return true;
    // The folder setting may or may not end in "/"; ArchiveDir always does.
    const QString ownDir = catalogue::archiveFolder(in.state, kind);
    if (!in.state.ScanSubDirs && rec.ArchiveDir != platform::withSlash(ownDir))
        return false;
    if (in.fileExists(rec.ArchiveDir + rec.ArchiveName))
        return true;
    // Exactly the lower-case word: the Cache page's "Cache" records are
    // installed and kept by the first rule; once uninstalled they have no
    // archive to install from again, so they go.
    return rec.ArchiveDir == u"cache"_s;
}

// Kinds that share a record file (mutators and skins in somdata.dat): each
// scan leaves the records below the others' folders alone.
bool keepSharedFileRecord(catalogue::ContentKind kind, const TContentRecord& rec,
                          const WriteBackInput& in) {
    if (rec.Installed == 1)
        return true;
    // Asked for every record: the files are compared by their descriptor's
    // field, without building their paths.
    const auto file = catalogue::describe(kind).recordFile;
    for (const catalogue::ContentKind other : catalogue::AllKinds) {
        if (other == kind || catalogue::describe(other).recordFile != file)
            continue;
        const QString otherDir = catalogue::archiveFolder(in.state, other);
        if (!otherDir.isEmpty() && rec.ArchiveDir.contains(otherDir))
            return true;
    }
    const QString ownDir = catalogue::archiveFolder(in.state, kind);
    const QString path = rec.ArchiveDir + rec.ArchiveName;
    if (in.state.ScanSubDirs && in.fileExists(path))
        return true;
    return rec.ArchiveDir == platform::withSlash(ownDir) && in.fileExists(path);
}

} // namespace

QString rejectText(const catalogue::KindDescriptor& kind, int reason, const QString& formatWord) {
    switch (reason) {
    case RejectInvalidArchive:
        return u" - Not a valid "_s + formatWord + u"-file"_s;
    case RejectUnsupported:
        return u" - .ut4mod- or .exe-file. Not supported by Quorvel"_s;
    case RejectTooManyFiles:
        return QString::fromLatin1(kind.tooManyText);
    default:
        return u" - Unknown file. Not supported by Quorvel"_s;
    }
}

QString notAnArchiveText() {
    return u" - Not a "_s + archives::extensionsText(u" or "_s, u"-"_s) + u"archive."_s;
}

QString bareName(const QString& name) {
    return platform::fileNamePart(name);
}

QString entryExtension(const QString& name) {
    const QString bare = bareName(name);
    const qsizetype dot = bare.lastIndexOf(u'.');
    if (dot < 0)
        return {};
    return bare.mid(dot, MaxExtensionLength).toLower();
}

QString placeTooLongText(const QString& archiveDir, const QString& archiveName) {
    if (archiveName.toUtf8().size() > MaxArchiveNameBytes)
        return u" - File name too long (more than 50 characters). Rename the archive."_s;
    if (archiveDir.toUtf8().size() > MaxArchiveDirBytes)
        return u" - Folder path too long (more than 100 characters). Move the archive to a "
               u"shorter folder."_s;
    return {};
}

bool keepRecord(catalogue::ContentKind kind, const TContentRecord& rec, const WriteBackInput& in) {
    switch (catalogue::describe(kind).writeBack) {
    case catalogue::WriteBackRule::OwnFile:
        return keepOwnFileRecord(kind, rec, in);
    case catalogue::WriteBackRule::SharedFile:
        return keepSharedFileRecord(kind, rec, in);
    }
    return true;
}

} // namespace intake
