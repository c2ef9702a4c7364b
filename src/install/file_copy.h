#pragma once

#include "platform/errors.h"

#include <QString>

namespace install::detail {

/// Copies `source` over `target` through a temporary file and a rename, so
/// an existing target is either wholly replaced or left as it was. Reads
/// in bounded chunks. A failure says why in io_errors texts.
platform::Outcome copyFileAtomic(const QString& source, const QString& target);

} // namespace install::detail
