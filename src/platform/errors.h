#pragma once

#include <QString>

#include <stdexcept>
#include <utility>

namespace platform {

/// An error that ends a command and is shown to the user with its text by
/// the main window's one error handler.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const noexcept { return text_; }

private:
    QString text_;
};

/// How one item of a run came out (a file copied, a file converted): the
/// run goes on either way and names what failed at its end, so the outcome
/// is a value rather than an Error that would end the whole command.
class Outcome {
public:
    static Outcome success() { return Outcome(QString()); }
    static Outcome failure(const QString& why) {
        return Outcome(why.isEmpty() ? QStringLiteral("unknown reason") : why);
    }
    bool ok() const { return error_.isEmpty(); }
    explicit operator bool() const { return ok(); }
    /// Why it failed, for the user; empty on success.
    const QString& error() const { return error_; }

private:
    explicit Outcome(QString error) : error_(std::move(error)) {}
    QString error_;
};

} // namespace platform
