#pragma once

#include <QString>

namespace platform {

/// Moves a user file to the desktop trash. Returns false when it could not.
/// `trashedPath` receives where it went, when given.
bool moveToTrash(const QString& path, QString* trashedPath = nullptr);

/// The trash as commands reach it; tests derive from it to make a move
/// fail without touching file permissions.
class Trash {
public:
    virtual ~Trash() = default;
    virtual bool moveToTrash(const QString& path, QString* trashedPath = nullptr) {
        return platform::moveToTrash(path, trashedPath);
    }
};

} // namespace platform
