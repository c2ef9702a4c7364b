#pragma once

#include <QString>

#include <stdexcept>

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

} // namespace platform
