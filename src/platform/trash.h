#pragma once

#include <QString>

#include <optional>

namespace platform {

/// Moves a user file to the desktop trash. Returns where it went; nothing
/// when it could not be moved.
std::optional<QString> moveToTrash(const QString& path);

/// The trash as commands reach it; tests derive from it to make a move
/// fail without touching file permissions.
class Trash {
public:
    virtual ~Trash() = default;
    virtual std::optional<QString> moveToTrash(const QString& path) {
        return platform::moveToTrash(path);
    }
};

} // namespace platform
