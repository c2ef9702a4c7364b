#include "platform/io_errors.h"

using namespace Qt::Literals::StringLiterals;

namespace platform {

QString cannotOpenText(const QString& path, const QString& reason) {
    return u"Cannot open file \"%1\". %2"_s.arg(path, reason);
}

QString cannotCreateText(const QString& path, const QString& reason) {
    return u"Cannot create file \"%1\". %2"_s.arg(path, reason);
}

QString cannotWriteText(const QString& path, const QString& reason) {
    return u"Cannot write file \"%1\". %2"_s.arg(path, reason);
}

QString readErrorText(const QString& path, const QString& reason) {
    return u"Read error on \"%1\". %2"_s.arg(path, reason);
}

QString cannotCreateFolderText(const QString& path) {
    return u"Cannot create directory %1"_s.arg(path);
}

} // namespace platform
