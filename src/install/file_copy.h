#pragma once

#include <QString>

namespace install::detail {

/// Copies `source` over `target` through a temporary file and a rename, so
/// an existing target is either wholly replaced or left as it was. Reads
/// in bounded chunks. On failure returns false and puts the message
/// (io_errors texts) into `error` when given.
bool copyFileAtomic(const QString& source, const QString& target, QString* error = nullptr);

} // namespace install::detail
