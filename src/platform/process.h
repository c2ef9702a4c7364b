#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

/// Starts `program` with `arguments` in `workingDir` and waits for it to
/// end while the event loop keeps running (so the window stays alive).
/// Returns the exit code, or nullopt when the program could not be started
/// or crashed.
std::optional<int> runAndWait(const QString& program, const QStringList& arguments,
                              const QString& workingDir);

/// Starts a program and does not wait for it. True when it started.
bool startDetached(const QString& program, const QStringList& arguments, const QString& workingDir);

/// Child processes as commands start them; tests derive from it to see or
/// refuse a start.
class Processes {
public:
    virtual ~Processes() = default;
    virtual std::optional<int> runAndWait(const QString& program, const QStringList& arguments,
                                          const QString& workingDir) {
        return platform::runAndWait(program, arguments, workingDir);
    }
    virtual bool startDetached(const QString& program, const QStringList& arguments,
                               const QString& workingDir) {
        return platform::startDetached(program, arguments, workingDir);
    }
};

} // namespace platform
