#include "intake/scan_rules.h"

#include "archive/archive_formats.h"
#include "platform/file_helpers.h"

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace intake {

namespace {

constexpr std::array<ScanRules, 3> Rules{{
    {ScanKind::Maps, ".ut2", ".ut2", 0, false, " - To many files in Archive. Possibly not a map"},
    {ScanKind::Mutators, ".u", ".int", 0, true, " - To many files in Archive. Install manually."},
    {ScanKind::Skins, ".upl", ".upl", 2, true, " - To many files in Archive. Install manually."},
}};

bool keepMapRecord(const TContentRecord& rec, const WriteBackInput& in) {
    if (rec.Installed == 1)
        return true;
    // The folder setting may or may not end in "/"; ArchiveDir always does.
    if (!in.state.ScanSubDirs && rec.ArchiveDir != platform::withSlash(in.state.CustomMapDir))
        return false;
    if (in.fileExists(rec.ArchiveDir + rec.ArchiveName))
        return true;
    // Exactly the lower-case word: the Cache page's "Cache" records are
    // installed and kept by the first rule; once uninstalled they have no
    // archive to install from again, so they go.
    return rec.ArchiveDir == u"cache"_s;
}

// The mutator and skin scans share somdata.dat: each leaves the records
// below the other's folder alone.
bool keepModRecord(const TContentRecord& rec, const WriteBackInput& in, const QString& ownDir,
                   const QString& otherDir) {
    if (rec.Installed == 1)
        return true;
    if (!otherDir.isEmpty() && rec.ArchiveDir.contains(otherDir))
        return true;
    const QString path = rec.ArchiveDir + rec.ArchiveName;
    if (in.state.ScanSubDirs && in.fileExists(path))
        return true;
    return rec.ArchiveDir == platform::withSlash(ownDir) && in.fileExists(path);
}

} // namespace

const ScanRules& rulesFor(ScanKind kind) {
    return Rules.at(static_cast<size_t>(kind));
}

QString rejectText(const ScanRules& rules, int reason, const QString& formatWord) {
    switch (reason) {
    case RejectInvalidArchive:
        return u" - Not a valid "_s + formatWord + u"-file"_s;
    case RejectUnsupported:
        return u" - .ut4mod- or .exe-file. Not supported by Quorvel"_s;
    case RejectTooManyFiles:
        return QString::fromLatin1(rules.tooManyText);
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

bool keepRecord(ScanKind kind, const TContentRecord& rec, const WriteBackInput& in) {
    const AppState& s = in.state;
    switch (kind) {
    case ScanKind::Maps:
        return keepMapRecord(rec, in);
    case ScanKind::Mutators:
        return keepModRecord(rec, in, s.MutatorDir, s.CustomSkinDir);
    case ScanKind::Skins:
        return keepModRecord(rec, in, s.CustomSkinDir, s.MutatorDir);
    }
    return true;
}

} // namespace intake
