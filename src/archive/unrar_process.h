#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace archives {

/// What came of one run of the unrar helper.
struct UnrarHelperOutcome {
    enum Kind {
        Finished,   ///< the helper sent its result: `code` and `reason`
        NotStarted, ///< it could not be started: the archive was not touched
        Broken,     ///< it ended without a result (killed by a signal,
                    ///< crashed, or sent what is no frame of ours)
    } kind = Broken;
    int code = 0;
    QString reason;
};

/// What the program does with the helper's frames.
struct UnrarHelperHooks {
    /// An entry was listed, or is about to be extracted.
    std::function<void(const QString& entryName)> onEntry;
    /// The library asks for a password: the answer to send.
    std::function<QByteArray()> password;
};

/// Runs the helper `program` with `arguments` (see unrar_helper_protocol.h)
/// and waits for it, passing its frames to `hooks` as they arrive: Listed
/// frames are expected when `extract` is false, Extracting frames when it
/// is true. The helper never outlives the call: it is killed and reaped
/// on every way out, also when a hook throws (the exception then passes
/// on).
UnrarHelperOutcome runUnrarHelper(const QString& program, const QStringList& arguments,
                                  bool extract, const UnrarHelperHooks& hooks);

/// quorvel-unrar in the folder of the running program, where it is
/// installed; empty when no application object tells that folder.
QString defaultUnrarHelper();

} // namespace archives
