#pragma once

#include "gui/main_window.h"
#include "support/fake_dialogs.h"
#include "support/tree_builder.h"

#include <QDir>

#include <gtest/gtest.h>

#include <memory>

/// A program folder "prog" as the current directory and a home without a
/// game, so each test starts the window as a user would, with scripted
/// dialogs.
class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        oldDir_ = QDir::currentPath();
        oldHome_ = qgetenv("HOME");
        QDir().mkpath(tree.path(QStringLiteral("home")));
        qputenv("HOME", tree.path(QStringLiteral("home")).toLocal8Bit());
        QDir().mkpath(tree.path(QStringLiteral("prog")));
        QDir::setCurrent(tree.path(QStringLiteral("prog")));
    }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(oldDir_);
        qputenv("HOME", oldHome_);
    }
    TForm1& start() {
        // Only places inside the test's tree: the host may have the game.
        const QString home = tree.path(QStringLiteral("home"));
        window = std::make_unique<TForm1>(&dialogs, QStringList{home + QStringLiteral("/ut2004"),
                                                                home + QStringLiteral("/.ut2004")});
        return *window;
    }
    /// Ends the current window as the close button would and starts anew.
    TForm1& restart() {
        EXPECT_TRUE(window->close());
        window.reset();
        return start();
    }
    QString prog(const QString& name) const { return tree.path(QStringLiteral("prog/") + name); }

    testing_support::TempTree tree;
    testing_support::FakeDialogs dialogs;
    std::unique_ptr<TForm1> window;

private:
    QString oldDir_;
    QByteArray oldHome_;
};
