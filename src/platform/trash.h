#pragma once

#include <QString>

namespace platform {

/// Moves a user file to the desktop trash. Returns false when it could not.
/// `trashedPath` receives where it went, when given.
bool moveToTrash(const QString& path, QString* trashedPath = nullptr);

} // namespace platform
