#include "support/fake_opener.h"

#include <QFile>
#include <QtCore/qtestsupport_core.h>

namespace testing_support {

FakeOpener::FakeOpener(TempTree& tree, Mode mode, int exitCode)
    : log_(tree.path(QStringLiteral("opener.log"))), oldPath_(qgetenv("PATH")) {
    const QByteArray log = "'" + log_.toLocal8Bit() + "'";
    const QByteArray body =
        mode == Mode::LogsContent
            ? "printf '%s|%s\\n' \"$1\" \"$(cat \"$1\" 2>/dev/null)\" >> " + log + "\n"
            : "( sleep 1; if [ -f \"$1\" ]; then s=there; else s=gone; fi\n"
              "  printf '%s|%s\\n' \"$1\" \"$s\" >> " +
                  log + " ) </dev/null >/dev/null 2>&1 &\n";
    const QString script =
        tree.file(QStringLiteral("opener-bin/xdg-open"),
                  "#!/bin/sh\n" + body + "exit " + QByteArray::number(exitCode) + "\n");
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

bool FakeOpener::waitForOpened(qsizetype count) const {
    return QTest::qWaitFor([&] { return opened().size() >= count; }, 10000);
}

} // namespace testing_support
