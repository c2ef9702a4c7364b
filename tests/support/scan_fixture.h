#pragma once

#include "core/app_core.h"
#include "core/content_db.h"
#include "intake/folder_search.h"
#include "platform/status_sink.h"
#include "support/fake_dialogs.h"
#include "support/rar4_writer.h"
#include "support/tree_builder.h"
#include "support/zip_builder.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QString>

#include <gtest/gtest.h>

namespace testing_support {

/// Archive entries for the scan tests: name and content.
using Entries = QList<QPair<QString, QByteArray>>;

/// A program folder with Temp and empty record files, archive folders
/// "maps", "mods" and "skins" configured with subfolders searched, the
/// date pinned to 2004-05-17, and a core whose dialogs answer from a
/// script; for the archive scans.
class ScanFixture : public ::testing::Test {
protected:
    ScanFixture() : core(dialogs, status) {
        AppState& s = core.state;
        s.ProgramDir = tree.folder(QStringLiteral("prog"));
        s.TempDir = tree.folder(QStringLiteral("prog/Temp"));
        s.CustomMapDir = tree.folder(QStringLiteral("maps"));
        s.MutatorDir = tree.folder(QStringLiteral("mods"));
        s.CustomSkinDir = tree.folder(QStringLiteral("skins"));
        s.ScanSubDirs = true;
        s.clock = platform::Clock([] { return QDate(2004, 5, 17); });
        core.ZipMaster1.ExtrBaseDir = s.TempDir;
        core.dRar31.TargetDirectory = s.TempDir;
        content_db::CreateMissingFiles(s);
    }

    AppState& s() { return core.state; }
    CommandContext& ctx() { return core.context(); }

    /// A zip at `relative` (folders made) holding `entries` in order.
    QString zip(const QString& relative, const Entries& entries) {
        ZipBuilder builder;
        for (const auto& [name, data] : entries)
            builder.file(name, data);
        const QString path = tree.path(relative);
        QDir().mkpath(QFileInfo(path).path());
        EXPECT_TRUE(builder.write(path)) << relative.toStdString();
        return path;
    }
    /// A RAR4 archive at `relative` holding `entries` (stored) in order.
    QString rar(const QString& relative, const Entries& entries) {
        QList<Rar4Entry> list;
        for (const auto& [name, data] : entries)
            list.append(Rar4Entry::file(name.toUtf8(), data));
        const QString path = tree.path(relative);
        QDir().mkpath(QFileInfo(path).path());
        EXPECT_TRUE(writeRar4Archive(path, list)) << relative.toStdString();
        return path;
    }
    /// Entries "<stem>1.<ext>" .. "<stem>n.<ext>".
    static Entries numbered(const QString& stem, const QString& ext, int n) {
        Entries out;
        for (int i = 1; i <= n; ++i)
            out.append({stem + QString::number(i) + QLatin1Char('.') + ext, "x"});
        return out;
    }

    QList<TContentRecord> maps() { return content_db::ReadAll(s().mapDataPath()); }
    QList<TContentRecord> mods() { return content_db::ReadAll(s().modDataPath()); }
    static QStringList names(const QList<TContentRecord>& records) {
        QStringList out;
        for (const TContentRecord& r : records)
            out.append(r.ArchiveName);
        return out;
    }
    static const TContentRecord* find(const QList<TContentRecord>& records, const QString& name) {
        for (const TContentRecord& r : records) {
            if (r.ArchiveName == name)
                return &r;
        }
        return nullptr;
    }

    TempTree tree;
    FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core;
    intake::TmFileScan fScan;
};

} // namespace testing_support
