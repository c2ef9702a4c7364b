#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

/// How a child process ended: it could not be started, it was ended by a
/// signal (it crashed or was killed), or it exited with a code.
struct ProcessEnd {
    enum class How { NotStarted, Crashed, Exited };
    How how = How::NotStarted;
    int exitCode = -1; ///< for Exited

    static ProcessEnd notStarted() { return {}; }
    static ProcessEnd crashed() { return {How::Crashed, -1}; }
    static ProcessEnd exited(int code) { return {How::Exited, code}; }
    bool started() const { return how != How::NotStarted; }
    /// Exited with code 0.
    bool succeeded() const { return how == How::Exited && exitCode == 0; }
    bool operator==(const ProcessEnd&) const = default;
};

/// Starts `program` with `arguments` in `workingDir` and waits for it to
/// end while the event loop keeps running (so the window stays alive).
ProcessEnd runAndWait(const QString& program, const QStringList& arguments,
                      const QString& workingDir);

/// Starts a program and does not wait for it. True when it started.
bool startDetached(const QString& program, const QStringList& arguments, const QString& workingDir);

/// Child processes as commands start them; tests derive from it to see or
/// refuse a start.
class Processes {
public:
    virtual ~Processes() = default;
    virtual ProcessEnd runAndWait(const QString& program, const QStringList& arguments,
                                  const QString& workingDir) {
        return platform::runAndWait(program, arguments, workingDir);
    }
    virtual bool startDetached(const QString& program, const QStringList& arguments,
                               const QString& workingDir) {
        return platform::startDetached(program, arguments, workingDir);
    }
};

} // namespace platform
