#pragma once

#include "archive/unrar_run.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

// What the program and its unrar helper (quorvel-unrar) say to each other.
// The helper gets one job on its command line; it writes frames to its
// standard output and reads the password answer from its standard input.

namespace archives::unrar_helper {

/// The helper's file name; the program looks for it in its own folder.
inline constexpr char ProgramName[] = "quorvel-unrar";

/// A frame is a type byte, the length of the payload (4 bytes,
/// little-endian) and the payload.
enum class Frame : char {
    Listed = 'L',     ///< helper: an entry of a List (its name, UTF-8)
    Extracting = 'X', ///< helper: an entry of an Extract, before it is processed (its name)
    Password = 'Q',   ///< helper: the library needs a password (no payload); an Answer follows
    Answer = 'A',     ///< program: the password, UTF-8 (empty for none)
    Result = 'R',     ///< helper, last: the result code (4 bytes, signed) and the reason (UTF-8)
};

inline constexpr qsizetype HeaderSize = 5;
/// The largest payload either side accepts: an entry name is at most 1024
/// characters of the library's header; anything longer is no frame of ours.
inline constexpr qsizetype MaxPayload = 64 * 1024;

QByteArray frame(Frame type, QByteArrayView payload = {});
QByteArray resultFrame(int code, const QString& reason);

/// The payload of a Result frame; nullopt when it is too short.
struct ResultPayload {
    int code = 0;
    QString reason;
};
std::optional<ResultPayload> parseResult(QByteArrayView payload);

/// Cuts whole frames out of the bytes as they arrive. It never holds more
/// than one frame and the bytes appended since: a length above MaxPayload
/// or an unknown type breaks the stream, and nothing is read after that.
class FrameReader {
public:
    struct Item {
        Frame type;
        QByteArray payload;
    };

    void append(QByteArrayView bytes);
    /// The next whole frame; nullopt while it has not all arrived, or
    /// when the stream is broken.
    std::optional<Item> next();
    bool broken() const { return broken_; }

private:
    QByteArray buffer_;
    qsizetype start_ = 0;
    bool broken_ = false;
};

/// The job as the helper's command line carries it. The free space is
/// probed by the program (so a test's stand-in for the disk reaches the
/// helper); unset, the helper looks at the disk itself.
struct Request {
    UnrarJob job;
    std::optional<qint64> freeSpace;
    /// Where the helper loads the unrar library from (`TdRar3`'s
    /// `Path2UnrarDll` and `NameofUnrarDll`).
    QString libraryFolder;
    QString libraryName;
    /// The program's process id: a helper whose parent is another one by
    /// the time it runs (the program ended first) ends at once.
    std::optional<qint64> parent;
};

/// The helper's arguments for `request` (its program name excluded).
QStringList arguments(const Request& request);
/// The request of the helper's arguments; nullopt when they are not ours.
std::optional<Request> parseArguments(const QStringList& args);

} // namespace archives::unrar_helper
