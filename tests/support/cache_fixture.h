#pragma once

#include "core/app_core.h"
#include "core/content_db.h"
#include "platform/status_sink.h"
#include "support/cache_builder.h"
#include "support/fake_dialogs.h"
#include "support/tree_builder.h"

#include <QDate>
#include <QDir>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace testing_support {

/// A program folder with Temp and empty record files, a game folder with
/// an empty Cache folder, the date pinned to 2024-06-01, HOME inside the
/// tree, and a core whose dialogs answer from a script; for the Cache page.
class CacheFixture : public ::testing::Test {
protected:
    CacheFixture() : oldHome_(qgetenv("HOME")), core(dialogs, status) {
        qputenv("HOME", tree.folder(QStringLiteral("home")).toLocal8Bit());
        AppState& s = core.state;
        s.ProgramDir = tree.folder(QStringLiteral("prog"));
        s.TempDir = tree.folder(QStringLiteral("prog/Temp"));
        s.setGameDir(tree.gameFolder());
        s.StartingUp = false;
        s.clock = platform::Clock([] { return QDate(2024, 6, 1); });
        content_db::CreateMissingFiles(s);
    }
    ~CacheFixture() override { qputenv("HOME", oldHome_); }

    CommandContext& ctx() { return core.context(); }
    /// Writes the cache (cache.ini and the .uxx files).
    void cache(const QList<CacheEntry>& entries) {
        ASSERT_TRUE(writeCache(core.state.CacheDir, entries));
    }
    /// cache.ini's lines; fails the test unless every line ends in CR LF.
    QStringList iniLines() const {
        const QByteArray bytes = tree.read(QStringLiteral("game/Cache/cache.ini"));
        EXPECT_TRUE(bytes.isEmpty() || bytes.endsWith("\r\n"));
        QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
        lines.removeLast();
        for (const QString& line : lines)
            EXPECT_FALSE(line.contains(QLatin1Char('\n'))) << "a line ended by LF alone";
        return lines;
    }
    /// The entries of a folder of the tree, sorted.
    QStringList entriesIn(const QString& relative) const {
        return QDir(tree.path(relative))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    }
    QList<TContentRecord> maps() const { return content_db::ReadAll(core.state.mapDataPath()); }
    QList<TContentRecord> mods() const { return content_db::ReadAll(core.state.modDataPath()); }

private:
    QByteArray oldHome_;

protected:
    TempTree tree;
    FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core;
};

} // namespace testing_support
