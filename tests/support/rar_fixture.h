#pragma once

#include "archive/rar_archive.h"
#include "support/rar4_writer.h"
#include "support/tree_builder.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>

namespace testing_support {

/// A 104-byte RAR5 file, found by fuzzing, on which the unrar library
/// (libunrar5 6.2 of Debian bookworm) crashes inside RAROpenArchiveEx.
QByteArray crashingRar5();

/// A stand-in for the unrar helper: an executable shell script `name` in
/// `tree` with `body` (after "#!/bin/sh"). Returns its path.
QString fakeUnrarHelper(TempTree& tree, const QString& name, const QByteArray& body);

/// The two rar backends every rar test runs against.
enum class RarBackendKind { Unrar, Libarchive };

inline auto rarBackends() {
    return ::testing::Values(RarBackendKind::Unrar, RarBackendKind::Libarchive);
}
std::string rarBackendName(const ::testing::TestParamInfo<RarBackendKind>& info);

/// A `TdRar3` set to one backend (the unrar library without fallback, or
/// libarchive), extracting to `out` of a temporary tree, with its events
/// recorded and password answers scripted.
class RarBackendTest : public ::testing::TestWithParam<RarBackendKind> {
protected:
    void SetUp() override;

    bool unrar() const { return GetParam() == RarBackendKind::Unrar; }
    /// A RAR5 archive made by `rar` from the given files (written first into
    /// a folder of their own, then added with their folders). `switches`
    /// go to `rar` as well (-p..., -hp...). Returns the archive's path.
    QString makeRar5(const QString& archiveName, const QList<QPair<QString, QByteArray>>& files,
                     const QStringList& switches = {});
    /// A RAR4 archive from the test writer.
    QString makeRar4(const QString& archiveName, const QList<Rar4Entry>& entries);
    /// Files below the target folder, relative, sorted.
    QStringList outFiles() const;
    /// The operation ran on the backend of this test's parameter.
    void expectBackendUsed() const;

    TempTree tree;
    archives::TdRar3 rar;
    QStringList listed;
    QStringList extracted;
    int passwordRequests = 0;
    /// Answers for `OnReqPassword`; none left: cancelled.
    std::deque<std::optional<QString>> passwordAnswers;
};

} // namespace testing_support
