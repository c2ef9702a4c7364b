// The sandbox of scripts/run --demo: a start there asks nothing and every
// page lists its samples, and a sample map installed and uninstalled
// leaves the fake game folder as it was.
#include "app/maps_page.h"
#include "app/mod_page.h"
#include "app/qt_page_parts.h"
#include "cache/cache_page.h"
#include "intake/demos_page.h"
#include "sandbox_builder.h"
#include "sandbox_content.h"
#include "window_fixture.h"

#include <QListWidget>
#include <QMap>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;
using page_parts::entries;

namespace {

class SandboxTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        sandbox::buildSandbox(prog({}), {});
    }
    /// Every file below the fake game folder with its bytes.
    QMap<QString, QByteArray> gameState() const {
        QMap<QString, QByteArray> out;
        for (const QString& f : tree.allFiles())
            if (f.startsWith(u"prog/UT2004/"_s))
                out.insert(f, tree.read(f));
        return out;
    }
    static void select(QListWidget* list, const QStringList& names) {
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setSelected(names.contains(list->item(i)->text()));
    }
};

} // namespace

TEST_F(SandboxTest, AStartListsEverySampleWithoutAQuestion) {
    const sandbox::SampleNames& n = sandbox::sampleNames();
    EXPECT_TRUE(sandbox::isSandbox(prog({})));
    EXPECT_EQ(tree.read(u"prog/error.log"_s), prog(u"Archives/Maps/"_s).toUtf8() +
                                                  n.rejectedMap.toUtf8() +
                                                  " - Not a valid zip-file\r\n");

    TForm1& w = start();
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(entries(w.TabMaps->LBinst), n.maps);
    EXPECT_EQ(entries(w.TabMaps->LBun), QStringList{u"DM-Sandbox-Courtyard.ut2"_s});
    EXPECT_EQ(entries(w.TabMuts->NotInstalled), n.mutators);
    EXPECT_EQ(entries(w.TabMuts->Installed), QStringList{n.installedMutator});
    EXPECT_EQ(entries(w.TabSkins->NotInstalled), n.skins);
    w.showPage(TForm1::CacheTab);
    EXPECT_EQ(entries(w.TabCache->LBCache),
              (QStringList{u"DM-Sandbox-Cached.ut2"_s, u"MutSandboxCached.u"_s,
                           u"SandboxCachedTex.utx"_s}));
    w.showPage(TForm1::DemosTab);
    EXPECT_EQ(entries(w.TabDemos->DemoList),
              (QStringList{u"Sandbox-Capture.demo4"_s, u"Sandbox-Duel.demo4"_s}));
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();

    // A second build in the same place is refused: it would mix two sandboxes.
    EXPECT_THROW(sandbox::buildSandbox(prog({}), {}), platform::Error);
}

TEST_F(SandboxTest, TwoMapsSharingATextureGoInAndOutWithoutATrace) {
    TForm1& w = start();
    const QMap<QString, QByteArray> before = gameState();
    MapsPage& page = *w.TabMaps;
    select(page.LBinst, {u"DM-Sandbox-Arena.zip"_s, u"DM-Sandbox-Rain.rar"_s});
    // "Ask me": the second map's copy of the shared texture is asked about.
    dialogs.buttonAnswers.push_back(platform::Yes);
    page.bInstallMaps->click();
    EXPECT_EQ(dialogs.texts(), QStringList{u"SandboxShared.utx already exists. Proceed anyway?"_s});
    EXPECT_TRUE(tree.exists(u"prog/UT2004/Textures/SandboxShared.utx"_s));
    EXPECT_TRUE(tree.exists(u"prog/UT2004/Maps/DM-Sandbox-Rain.ut2"_s));
    EXPECT_EQ(entries(page.LBun),
              (QStringList{u"DM-Sandbox-Arena.ut2"_s, u"DM-Sandbox-Courtyard.ut2"_s,
                           u"DM-Sandbox-Rain.ut2"_s}));

    select(page.LBun, {u"DM-Sandbox-Arena.ut2"_s});
    page.bUninstallMaps->click();
    EXPECT_TRUE(tree.exists(u"prog/UT2004/Textures/SandboxShared.utx"_s))
        << "the other map still uses it";
    select(page.LBun, {u"DM-Sandbox-Rain.ut2"_s});
    page.bUninstallMaps->click();
    EXPECT_EQ(gameState(), before);
    EXPECT_EQ(dialogs.shown.size(), 1) << dialogs.texts().join(u'|').toStdString();
}

TEST_F(SandboxTest, OnlyASandboxIsEverRemoved) {
    tree.file(u"not-a-sandbox/keep.txt"_s, "mine");
    EXPECT_THROW(sandbox::removeSandbox(tree.path(u"not-a-sandbox"_s)), platform::Error);
    EXPECT_EQ(tree.read(u"not-a-sandbox/keep.txt"_s), "mine");
    sandbox::removeSandbox(prog({}));
    EXPECT_FALSE(tree.exists(u"prog"_s));
}
