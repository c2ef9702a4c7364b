// The sandbox of scripts/run --demo: a start there asks nothing and every
// page lists its samples, and a sample map installed and uninstalled
// leaves the fake game folder as it was.
#include "cache/uz2_codec.h"
#include "gui/page_parts.h"
#include "platform/errors.h"
#include "sandbox_builder.h"
#include "sandbox_content.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QButtonGroup>
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
        sandbox::buildSandbox(prog({}), QStringLiteral(QUORVEL_SANDBOX));
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
    EXPECT_EQ(entries(control<QListWidget>(w, u"LBinst"_s)), n.maps);
    EXPECT_EQ(entries(control<QListWidget>(w, u"LBun"_s)),
              QStringList{u"DM-Sandbox-Courtyard.ut2"_s});
    EXPECT_EQ(entries(control<QListWidget>(w, u"LBMuts"_s)), n.mutators);
    EXPECT_EQ(entries(control<QListWidget>(w, u"LBunMuts"_s)), QStringList{n.installedMutator});
    EXPECT_EQ(entries(control<QListWidget>(w, u"LBSkin"_s)), n.skins);
    EXPECT_EQ(entries(control<QListWidget>(w, u"LBUnskin"_s)), QStringList{n.installedSkin});
    w.showPage(TForm1::CacheTab);
    EXPECT_EQ(entries(control<QListWidget>(w, u"LBCache"_s)),
              (QStringList{u"DM-Sandbox-Cached.ut2"_s, u"MutSandboxCached.u"_s,
                           u"SandboxCachedTex.utx"_s}));
    w.showPage(TForm1::DemosTab);
    EXPECT_EQ(entries(control<QListWidget>(w, u"DemoList"_s)),
              (QStringList{u"Sandbox-Capture.zip"_s, u"Sandbox-Duel.demo4"_s}));
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();

    // A second build in the same place is refused: it would mix two sandboxes.
    EXPECT_THROW(sandbox::buildSandbox(prog({}), QString()), platform::Error);
}

TEST_F(SandboxTest, TwoMapsSharingATextureGoInAndOutWithoutATrace) {
    TForm1& w = start();
    QListWidget* LBun = control<QListWidget>(w, u"LBun"_s);
    const QMap<QString, QByteArray> before = gameState();
    select(control<QListWidget>(w, u"LBinst"_s),
           {u"DM-Sandbox-Arena.zip"_s, u"DM-Sandbox-Rain.rar"_s});
    // "Ask me": the second map's copy of the shared texture is asked about.
    dialogs.buttonAnswers.push_back(platform::Yes);
    control<QPushButton>(w, u"bInstallMaps"_s)->click();
    EXPECT_EQ(dialogs.texts(), QStringList{u"SandboxShared.utx already exists. Proceed anyway?"_s});
    EXPECT_TRUE(tree.exists(u"prog/UT2004/Textures/SandboxShared.utx"_s));
    EXPECT_TRUE(tree.exists(u"prog/UT2004/Maps/DM-Sandbox-Rain.ut2"_s));
    EXPECT_EQ(entries(LBun), (QStringList{u"DM-Sandbox-Arena.ut2"_s, u"DM-Sandbox-Courtyard.ut2"_s,
                                          u"DM-Sandbox-Rain.ut2"_s}));

    select(LBun, {u"DM-Sandbox-Arena.ut2"_s});
    control<QPushButton>(w, u"bUninstallMaps"_s)->click();
    EXPECT_TRUE(tree.exists(u"prog/UT2004/Textures/SandboxShared.utx"_s))
        << "the other map still uses it";
    select(LBun, {u"DM-Sandbox-Rain.ut2"_s});
    control<QPushButton>(w, u"bUninstallMaps"_s)->click();
    EXPECT_EQ(gameState(), before);
    EXPECT_EQ(dialogs.shown.size(), 1) << dialogs.texts().join(u'|').toStdString();
}

TEST_F(SandboxTest, TheStandInsForTheGameAndItsToolLogWhatTheyAreAsked) {
    TForm1& w = start();
    const QMap<QString, QByteArray> before = gameState();
    w.showPage(TForm1::DemosTab);
    control<QListWidget>(w, u"DemoList"_s)->item(0)->setSelected(true); // the demo inside a zip
    control<QPushButton>(w, u"bRunDemo"_s)->click();
    const QString system = prog(u"UT2004/System"_s);
    EXPECT_EQ(tree.read(u"prog/programs.log"_s).mid(20),
              u"game, in %1: exec=rundemo.txt\n    rundemo.txt: demoplay Sandbox-Capture\r\n"_s
                  .arg(system)
                  .toUtf8());
    EXPECT_EQ(gameState(), before) << "the demo's copy is taken away again";

    // The tool hands the work to the sandbox program, which converts for real.
    w.showPage(TForm1::Uz2Tab);
    choices(w, u"rbUzAction"_s)->button(1)->setChecked(true); // compress
    const QString input = prog(u"Uz2/SandboxPackage.u"_s);
    dialogs.openAnswers.push_back({input});
    control<QPushButton>(w, u"bOpenUz2"_s)->click();
    control<QPushButton>(w, u"bGoUz2"_s)->click();
    EXPECT_TRUE(tree.read(u"prog/programs.log"_s)
                    .endsWith(u" tool, in %1: Compress %2\n"_s.arg(system, input).toUtf8()))
        << tree.read(u"prog/programs.log"_s).toStdString();
    QByteArray unpacked;
    EXPECT_TRUE(
        cache::decompressUz2Bytes(tree.read(u"prog/Uz2/SandboxPackage.u.uz2"_s), unpacked).ok);
    EXPECT_EQ(unpacked, tree.read(u"prog/Uz2/SandboxPackage.u"_s));
    EXPECT_EQ(dialogs.texts(), QStringList{u"Open"_s}) << "only the file chooser";
}

TEST_F(SandboxTest, OnlyASandboxIsEverRemoved) {
    tree.file(u"not-a-sandbox/keep.txt"_s, "mine");
    EXPECT_THROW(sandbox::removeSandbox(tree.path(u"not-a-sandbox"_s)), platform::Error);
    EXPECT_EQ(tree.read(u"not-a-sandbox/keep.txt"_s), "mine");
    sandbox::removeSandbox(prog({}));
    EXPECT_FALSE(tree.exists(u"prog"_s));
}
