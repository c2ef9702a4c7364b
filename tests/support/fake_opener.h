#pragma once

#include "support/tree_builder.h"

#include <QByteArray>
#include <QStringList>

namespace testing_support {

/// A program named xdg-open, first on PATH while the opener lives: a shell
/// script that logs the path it was given with the file's content as it
/// stood then ("path|content") and exits 0. PATH is restored afterwards.
class FakeOpener {
public:
    explicit FakeOpener(TempTree& tree);
    ~FakeOpener();
    FakeOpener(const FakeOpener&) = delete;
    FakeOpener& operator=(const FakeOpener&) = delete;

    /// One "path|content" line per start, in order.
    QStringList opened() const;

private:
    QString log_;
    QByteArray oldPath_;
};

} // namespace testing_support
