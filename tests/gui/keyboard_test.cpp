// The window for keyboard and screen-reader users: the names that
// assistive technology reads, the keys of the menus, and the list popups
// reached from the keyboard.
#include "core/content_db.h"
#include "window_fixture.h"

#include <QAccessible>
#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>

#include <typeinfo>

using namespace Qt::Literals::StringLiterals;

namespace {

/// Takes the file URLs the desktop would be asked to open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

/// What a screen reader is told a widget is called.
QString spokenName(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QString();
}

class KeyboardTest : public WindowFixture {
protected:
    TForm1& startActive() {
        TForm1& w = start();
        w.show();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        return w;
    }
};

} // namespace

TEST_F(KeyboardTest, ListsTabsAndFieldsHaveNamesWithoutTheCaptionsBlanks) {
    TForm1& w = start();
    const std::pair<const char16_t*, const char16_t*> named[] = {
        {u"LBinst", u"Maplist"},
        {u"LBun", u"Installed maps"},
        {u"LBMuts", u"Mutators"},
        {u"LBunMuts", u"Installed mutators"},
        {u"LBSkin", u"Skins"},
        {u"LBUnskin", u"Installed Skins"},
        {u"LBCache", u"Files in your ..\\Cache"},
        {u"LBUz", u"Select your file(s)"},
        {u"DemoList", u"Demo files"},
        {u"VLE", u"Settings"},
        {u"ListFiles", u"Files in the archive"},
        {u"Listheader", u"File information"},
    };
    for (const auto& [name, spoken] : named) {
        QWidget* widget = control<QWidget>(w, QString::fromUtf16(name));
        EXPECT_EQ(spokenName(widget), QString::fromUtf16(spoken))
            << QString::fromUtf16(name).toStdString();
    }
    // A combo box's name is its value; its description says what it is.
    for (const auto& [name, purpose] :
         {std::pair{u"DirBox", u"Demo folder"}, std::pair{u"Filter1", u"Game type filter"}}) {
        QWidget* box = control<QWidget>(w, QString::fromUtf16(name));
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(box);
        ASSERT_NE(face, nullptr);
        EXPECT_EQ(face->text(QAccessible::Description), QString::fromUtf16(purpose))
            << QString::fromUtf16(name).toStdString();
    }
    const QStringList pages = {u"Maps"_s,       u"Mutators"_s, u"Skins"_s,    u"Cache"_s,
                               u".uz2-files"_s, u"Demos"_s,    u"Configure"_s};
    QTabWidget* PC1 = control<QTabWidget>(w, u"PC1"_s);
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(PC1->tabBar());
    ASSERT_NE(bar, nullptr);
    for (int i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(pages[i].toStdString());
        EXPECT_NE(PC1->tabText(i), pages[i]) << "the caption keeps its blanks";
        EXPECT_EQ(PC1->tabText(i).trimmed(), pages[i]);
        ASSERT_NE(bar->child(i), nullptr);
        EXPECT_EQ(bar->child(i)->text(QAccessible::Name), pages[i]);
        EXPECT_EQ(spokenName(PC1->widget(i)), pages[i]);
    }
}

TEST_F(KeyboardTest, EveryListDrawsTheFocusFrame) {
    // The frame itself is checked on the screen in every look by the theme
    // test; here, that every list of the window draws with it.
    TForm1& w = start();
    const QAbstractItemDelegate* framing =
        control<QAbstractItemView>(w, u"LBinst"_s)->itemDelegate();
    for (const char16_t* name : {u"LBun", u"LBMuts", u"LBunMuts", u"LBSkin", u"LBUnskin",
                                 u"LBCache", u"LBUz", u"DemoList", u"ListFiles"}) {
        const QAbstractItemDelegate* delegate =
            control<QAbstractItemView>(w, QString::fromUtf16(name))->itemDelegate();
        EXPECT_EQ(typeid(*delegate), typeid(*framing)) << QString::fromUtf16(name).toStdString();
    }
    EXPECT_NE(typeid(*framing), typeid(QStyledItemDelegate));
}

TEST_F(KeyboardTest, F1OpensTheHelpAndCtrlQIsGameOverUnlessALongCommandRuns) {
    // The help is inside the program: nothing is handed to the desktop and
    // no file of the source tree is read, so any build folder has it.
    UrlRecorder urls;
    QDesktopServices::setUrlHandler(u"file"_s, &urls, "open");
    const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler(u"file"_s); });
    TForm1& w = startActive();
    QTest::keyClick(&w, Qt::Key_F1);
    auto* help = w.findChild<QWidget*>(u"HelpWindow"_s);
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    const auto* text = control<QTextBrowser>(*help, u"HelpText"_s);
    EXPECT_EQ(text->source(), QUrl(u"qrc:/help/index.html"_s));
    EXPECT_TRUE(text->toPlainText().contains(u"Quorvel keeps your Unreal Tournament 2004"_s));
    EXPECT_TRUE(urls.opened.isEmpty());
    help->close();

    QSignalSpy gameOver(control<QAction>(w, u"GameOver1"_s), &QAction::triggered);
    bool busy = false;
    qsizetype keyReached = -1;
    EXPECT_TRUE(w.runCommand(CommandBoundary::Long, CommandBoundary::Reads, [&] {
        busy = looksBusy(w);
        // The menus are disabled: the keys reach nothing.
        QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
        QTest::keyClick(&w, Qt::Key_F1);
        keyReached = gameOver.size();
        // Should the item still be triggered, the boundary refuses it.
        control<QAction>(w, u"GameOver1"_s)->trigger();
    }));
    EXPECT_TRUE(busy);
    EXPECT_EQ(keyReached, 0);
    EXPECT_EQ(gameOver.size(), 1);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(QFileInfo(prog(u"Temp"_s)).isDir()) << "no shut-down while the command ran";
    EXPECT_FALSE(help->isVisible()) << "F1 reached nothing while the command ran";

    // Game Over asks no close query: Ctrl+Q ends the program even when
    // the close button would be refused.
    w.state().CanClose = false;
    QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(gameOver.size(), 2);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(QFileInfo::exists(prog(u"Temp"_s)));
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();
}

TEST_F(KeyboardTest, TheMenuKeyOpensTheListsPopupAtTheCurrentEntry) {
    tree.folder(u"prog"_s);
    TContentRecord r;
    r.ArchiveName = u"DM-Key.zip"_s;
    r.ArchiveDir = u"/srv/maps/"_s;
    r.AddedDate = u"2026-01-05"_s;
    content_db::WriteAll(prog(u"mapdata.dat"_s), {r});
    TForm1& w = startActive();
    w.state().StartingUp = false;
    w.showPage(TForm1::MapsTab);
    QListWidget* LBinst = control<QListWidget>(w, u"LBinst"_s);
    QMenu* popup = control<QMenu>(w, u"PopupMenu1"_s);
    LBinst->setFocus();
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_Menu, Qt::NoModifier}, std::pair{Qt::Key_F10, Qt::ShiftModifier}}) {
        SCOPED_TRACE(key);
        LBinst->setCurrentRow(0);
        QTest::keyClick(LBinst, key, modifiers);
        EXPECT_TRUE(popup->isVisible());
        EXPECT_TRUE(control<QAction>(*popup, u"FileInfo1"_s)->isEnabled());
        const QRect entry = LBinst->visualItemRect(LBinst->item(0));
        EXPECT_TRUE(QRect(LBinst->viewport()->mapToGlobal(entry.topLeft()), entry.size())
                        .adjusted(0, 0, 0, 1)
                        .contains(popup->pos()))
            << popup->pos().x() << "," << popup->pos().y();
        popup->hide();
    }
    // Without a selected entry there is nothing to act on.
    LBinst->clearSelection();
    QTest::keyClick(LBinst, Qt::Key_Menu);
    EXPECT_FALSE(popup->isVisible());
}

#include "keyboard_test.moc"
