#pragma once

#include <QString>

namespace archives {

class TZipMaster;
class TdRar3;

/// What a zip or rar operation came to, the same for both components: the
/// caller asks `ok` and never needs to know that the zip component says 0
/// and the rar component 10 for success.
struct ArchiveResult {
    bool ok = false;
    /// The rar library was needed but could not be loaded; nothing was read.
    bool libraryMissing = false;
    /// The component's own code, for logs and tests.
    int code = 0;
    /// Why it failed, in the component's words for the user; empty on success.
    QString error;
    /// Files the zip component processed (its SuccessCount); the rar
    /// component does not count them (-1).
    int files = -1;

    /// The result of the zip component's last Extract or Add.
    static ArchiveResult ofZip(const TZipMaster& zip);
    /// The result `code` of the rar component's List or Extract.
    static ArchiveResult ofRar(const TdRar3& rar, int code);
};

} // namespace archives
