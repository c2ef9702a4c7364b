#include "archive/archive_result.h"

#include "archive/rar_archive.h"
#include "archive/zip_master.h"

namespace archives {

ArchiveResult ArchiveResult::ofZip(const TZipMaster& zip) {
    ArchiveResult r;
    r.code = zip.ErrorCode();
    r.ok = r.code == 0;
    r.error = zip.ErrorText();
    r.files = zip.SuccessCount();
    return r;
}

ArchiveResult ArchiveResult::ofRar(const TdRar3& rar, int code) {
    ArchiveResult r;
    r.code = code;
    // A finished List or Extract reads the end of the archive: 10.
    r.ok = code == rarcode::EndArchive;
    r.libraryMissing = code == rarcode::UnrarNotAvailable;
    r.error = rar.LastErrorText();
    return r;
}

} // namespace archives
