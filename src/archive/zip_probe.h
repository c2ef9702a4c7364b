#pragma once

#include <QString>

namespace archives {

/// Flags of a ZipProbe result; a positive result is a set of them.
enum ZipProbeFlag : int {
    ZipProbeStartsExe = 0x01,     ///< the file begins with "MZ"
    ZipProbeStartsLocal = 0x02,   ///< begins with a local-header signature
    ZipProbeStartsSpan = 0x04,    ///< begins with a data-descriptor (span) signature
    ZipProbeStartsCentral = 0x08, ///< begins with a central-header signature
    ZipProbeNoComment = 0x10,     ///< the end record's comment ends at the end of the file
    ZipProbeHasLocal = 0x20,      ///< the first central entry points at a local header
    ZipProbeHasCentral = 0x40,    ///< the end record points at a central header
    ZipProbeHasEndRecord = 0x80,  ///< an end-of-central-directory record was found
};

/// ZipProbe could not open the file.
inline constexpr int ZipProbeCannotOpen = -7;
/// ZipProbe could not read the file (an I/O error, not a short file).
inline constexpr int ZipProbeReadFailure = -9;

/// Looks at the start and end of a file and tells how zip-like it is:
/// negative when the file cannot be opened (-7) or read (-9), 0 when
/// nothing zip-like was seen, else a set of ZipProbeFlag. Callers only ask
/// whether the result is below 1. Reads at most 65,557 bytes at a time and
/// never shows a message. Structures that would lie past the end of the
/// file simply do not match; only a failing read is a read failure.
int ZipProbe(const QString& path);

} // namespace archives
