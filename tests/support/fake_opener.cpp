#include "support/fake_opener.h"

#include <QFile>

namespace testing_support {

FakeOpener::FakeOpener(TempTree& tree)
    : log_(tree.path(QStringLiteral("opener.log"))), oldPath_(qgetenv("PATH")) {
    const QString script =
        tree.file(QStringLiteral("opener-bin/xdg-open"),
                  QByteArray("#!/bin/sh\nprintf '%s|%s\\n' \"$1\" \"$(cat \"$1\")\" >> '") +
                      log_.toLocal8Bit() + "'\nexit 0\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", tree.path(QStringLiteral("opener-bin")).toLocal8Bit() + ':' + oldPath_);
}

FakeOpener::~FakeOpener() {
    qputenv("PATH", oldPath_);
}

QStringList FakeOpener::opened() const {
    QFile file(log_);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace testing_support
