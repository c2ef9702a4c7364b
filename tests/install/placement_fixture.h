#pragma once

#include "core/app_core.h"
#include "core/run_progress.h"
#include "platform/status_sink.h"
#include "support/fake_dialogs.h"
#include "support/tree_builder.h"

#include <QString>

#include <gtest/gtest.h>

namespace testing_support {

/// A program folder with Temp and a fake game folder, and a core whose
/// dialogs answer from a script; for the placement operations.
class PlacementBed {
public:
    PlacementBed() : core(dialogs, status) {
        core.state.ProgramDir = tree.root();
        core.state.TempDir = tree.folder(QStringLiteral("Temp"));
        core.state.setGameDir(tree.gameFolder());
    }

    /// Writes a file into Temp, as an extraction would.
    QString temp(const QString& relative, const QByteArray& content = "x") {
        return tree.file(QStringLiteral("Temp/") + relative, content);
    }
    /// Writes a file into the game folder.
    QString game(const QString& relative, const QByteArray& content = "old") {
        return tree.file(QStringLiteral("game/") + relative, content);
    }
    /// The files below a folder of the tree, relative to it, sorted.
    QStringList filesIn(const QString& folder) const {
        QStringList out;
        const QString prefix = folder + QLatin1Char('/');
        for (const QString& f : tree.allFiles()) {
            if (f.startsWith(prefix))
                out.append(f.mid(prefix.size()));
        }
        return out;
    }

    CommandContext& ctx() { return core.context(); }

    TempTree tree;
    FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core;
    /// The run the placements count in, as an install run hands it.
    RunProgress run;
};

/// PlacementBed as a GoogleTest fixture.
class PlacementFixture : public ::testing::Test, public PlacementBed {};

} // namespace testing_support
