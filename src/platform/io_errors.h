#pragma once

#include <QString>

/// The texts of failed file operations, made in one place so that every
/// message about the same failure reads the same. `reason` is the system's
/// text (QFileDevice::errorString()).
namespace platform {

/// Cannot open file "<path>". <reason>
QString cannotOpenText(const QString& path, const QString& reason);
/// Cannot create file "<path>". <reason>
QString cannotCreateText(const QString& path, const QString& reason);
/// Cannot write file "<path>". <reason>
QString cannotWriteText(const QString& path, const QString& reason);
/// Read error on "<path>". <reason>
QString readErrorText(const QString& path, const QString& reason);
/// Cannot create directory <path>
QString cannotCreateFolderText(const QString& path);

} // namespace platform
