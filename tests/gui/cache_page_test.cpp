// The Cache page's widgets: the list and its filter, the captions of the
// install button, and the buttons running their commands through the
// command boundary.
#include "controls.h"
#include "core/command_boundary.h"
#include "gui/cache_page.h"
#include "support/cache_fixture.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using testing_support::cacheKey;
using testing_support::importingPackage;

namespace {

class CachePageTest : public testing_support::CacheFixture {
protected:
    CachePageTest()
        : commands(core.state, [this](const QString& text) { dialogs.errorMessage(text); }),
          page(ctx(), commands) {
        commands.enterBusy = [this] {
            ++busy;
            return std::function<void()>([this] { --busy; });
        };
    }

    QStringList listed() const {
        QStringList out;
        for (int i = 0; i < LBCache->count(); ++i)
            out.append(LBCache->item(i)->text());
        return out;
    }
    void select(const QString& name) {
        const QList<QListWidgetItem*> items = LBCache->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        items[0]->setSelected(true);
    }

    CommandBoundary commands;
    CachePage page;
    QListWidget* LBCache = control<QListWidget>(page, u"LBCache"_s);
    QCheckBox* CacheBox = control<QCheckBox>(page, u"CacheBox"_s);
    QButtonGroup* rbCache = choices(page, u"rbCache"_s);
    QPushButton* bInstallCache = control<QPushButton>(page, u"bInstallCache"_s);
    QPushButton* ClearCache = control<QPushButton>(page, u"ClearCache"_s);
    int busy = 0;
};

} // namespace

TEST_F(CachePageTest, ShowingThePageResetsItAndListsTheCacheByName) {
    cache({{cacheKey(1), u"b.utx"_s}, {cacheKey(2), u"DM-A.ut2"_s}, {cacheKey(3), u"a.u"_s}});
    CacheBox->setChecked(true);
    rbCache->button(3)->setChecked(true);
    page.TabCacheShow();
    EXPECT_FALSE(CacheBox->isChecked());
    EXPECT_TRUE(rbCache->button(0)->isChecked());
    EXPECT_EQ(bInstallCache->text(), u"Install"_s);
    EXPECT_EQ(listed(), (QStringList{u"a.u"_s, u"b.utx"_s, u"DM-A.ut2"_s}));
    EXPECT_EQ(status.status(), u"  3 files listed in Cache"_s);

    CacheBox->click();
    EXPECT_EQ(listed(), QStringList{u"DM-A.ut2"_s});
    EXPECT_EQ(status.status(), u"  1 files listed in Cache"_s);

    const QStringList captions = {u"Install"_s, u"Install"_s, u"Save"_s, u"Delete"_s};
    for (int id : {2, 3, 1, 0, 3}) {
        rbCache->button(id)->click();
        EXPECT_EQ(bInstallCache->text(), captions[id]) << id;
    }
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(CachePageTest, TheInstallButtonRunsTheChosenActionOnTheSelection) {
    const QString z = tree.folder(u"Z"_s);
    cache({{cacheKey(0xA1), u"DM-Foo.ut2"_s, importingPackage({u"FooTex"_s})},
           {cacheKey(0xB2), u"FooTex.utx"_s, importingPackage({})},
           {cacheKey(0xC3), u"XDM-Foo.ut2"_s, importingPackage({})}});
    page.TabCacheShow();
    select(u"FooTex.utx"_s);
    select(u"DM-Foo.ut2"_s);
    rbCache->button(2)->click();
    dialogs.folderAnswers.push_back(z);
    bInstallCache->click();
    EXPECT_EQ(busy, 0);
    EXPECT_TRUE(core.state.CanClose);
    EXPECT_TRUE(tree.exists(u"Z/DM-Foo.zip"_s));
    EXPECT_EQ(listed(), QStringList{u"XDM-Foo.ut2"_s});
    EXPECT_EQ(status.status(), u"  1 file(s) saved as zip to "_s + z);

    // A package that cannot be read ends the run with the box; the list
    // still shows it, since it went back into the cache.
    cache({{cacheKey(0xD4), u"DM-Bad.ut2"_s}});
    page.TabCacheShow();
    select(u"DM-Bad.ut2"_s);
    bInstallCache->click();
    EXPECT_EQ(busy, 0);
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[1].type, testing_support::ShownDialog::Message);
    // The fixed words, then the package reader's own.
    EXPECT_EQ(dialogs.shown[1].text,
              u"Sorry, but something went terrible wrong. Check your settings.\r\r"_s
              u"ERROR! This isn't an Unreal package"_s);
    EXPECT_EQ(listed(), QStringList{u"DM-Bad.ut2"_s});
}

TEST_F(CachePageTest, ClearCacheEmptiesTheListOnlyWhenConfirmed) {
    cache({{cacheKey(1), u"DM-A.ut2"_s}});
    page.TabCacheShow();
    dialogs.buttonAnswers.push_back(platform::Cancel);
    ClearCache->click();
    EXPECT_EQ(listed(), QStringList{u"DM-A.ut2"_s});
    dialogs.buttonAnswers.push_back(platform::Ok);
    ClearCache->click();
    EXPECT_EQ(busy, 0);
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_EQ(status.status(), u"  0 files listed in Cache"_s);
    EXPECT_EQ(tree.read(u"game/Cache/cache.ini"_s), "[Cache]\r\n");

    // Without a game the error handler says why and nothing is deleted.
    core.state.setGameDir(QString());
    dialogs.buttonAnswers.push_back(platform::Ok);
    ClearCache->click();
    ASSERT_EQ(dialogs.shown.last().type, testing_support::ShownDialog::ErrorBox);
    EXPECT_TRUE(core.state.CanClose);
}
