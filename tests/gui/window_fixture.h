#pragma once

#include "controls.h"
#include "gui/main_window.h"
#include "support/fake_dialogs.h"
#include "support/tree_builder.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QTabWidget>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

/// Drops local files onto `window` as the desktop does: the drag enters
/// it and, when the window takes the drag, the drop follows. True when the
/// window took the drop.
inline bool dropFiles(QWidget& window, const QStringList& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(QUrl::fromLocalFile(path));
    mime.setUrls(urls);
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &drop);
    return drop.isAccepted();
}

/// The texts of `list`'s rows, top to bottom.
inline QStringList texts(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->text());
    return out;
}

/// Selects the rows of `list` whose text is one of `entries`, and no other.
inline void select(QListWidget* list, const QStringList& entries) {
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setSelected(entries.contains(list->item(i)->text()));
}

/// Selects the one row of `list` that reads `entry`, and no other.
inline void select(QListWidget* list, const QString& entry) {
    const QList<QListWidgetItem*> found = list->findItems(entry, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << entry.toStdString();
    list->clearSelection();
    found[0]->setSelected(true);
}

/// Whether the page control and the four main menus are enabled, in that
/// order: all false while the window is busy.
inline QList<bool> enabledParts(const QWidget& window) {
    QList<bool> out{control<QTabWidget>(window, QStringLiteral("PC1"))->isEnabled()};
    for (const char* menu : {"SystemMenu", "ThemeMenu", "SortMenu", "HelpMenu"})
        out.append(control<QMenu>(window, QString::fromLatin1(menu))->menuAction()->isEnabled());
    return out;
}

/// The busy state as the user meets it: pages and menus disabled, the busy
/// cursor shown. Closing is refused too, which tests check by closing.
inline bool looksBusy(const QWidget& window) {
    return !enabledParts(window).contains(true) && QApplication::overrideCursor() != nullptr;
}

/// The window is itself again: pages and menus enabled, the normal cursor.
inline bool looksIdle(const QWidget& window) {
    return !enabledParts(window).contains(false) && QApplication::overrideCursor() == nullptr;
}

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
        window = std::make_unique<TForm1>(
            tree.path(QStringLiteral("prog")), &dialogs,
            QStringList{home + QStringLiteral("/ut2004"), home + QStringLiteral("/.ut2004")});
        return *window;
    }
    /// Ends the current window as the close button would and starts anew.
    TForm1& restart() {
        EXPECT_TRUE(window->close());
        window.reset();
        return start();
    }
    QString prog(const QString& name) const { return tree.path(QStringLiteral("prog/") + name); }
    /// The index of the page shown.
    int shownPage() const {
        return control<QTabWidget>(*window, QStringLiteral("PC1"))->currentIndex();
    }

    testing_support::TempTree tree;
    testing_support::FakeDialogs dialogs;
    std::unique_ptr<TForm1> window;

private:
    QString oldDir_;
    QByteArray oldHome_;
};
