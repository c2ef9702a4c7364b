// The archive content viewer: its controls, and opening a listed file from
// a zip (by bare name, then by stored name) or a rar through a stand-in
// for the desktop's opener, the copy kept until the viewer closes.
// Viewing takes no data folder lock, so its copies go to a scratch folder
// of its own, never to Temp.
#include "gui/viewer_window.h"

#include "archive/rar_archive.h"
#include "controls.h"
#include "core/app_core.h"
#include "core/archive_calls.h"
#include "core/command_boundary.h"
#include "core/file_info.h"
#include "platform/status_sink.h"
#include "support/fake_dialogs.h"
#include "support/fake_opener.h"
#include "support/rar4_writer.h"
#include "support/rar_tool.h"
#include "support/tree_builder.h"
#include "support/zip_builder.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

using namespace Qt::Literals::StringLiterals;
using testing_support::FakeDialogs;
using testing_support::TempTree;

namespace {

class ViewerTest : public ::testing::Test {
protected:
    ViewerTest()
        : core(dialogs, status),
          commands(core.state, [this](const QString& text) { dialogs.errorMessage(text); }),
          viewer(core.context(), commands), oldTmp_(qgetenv("TMPDIR")) {
        core.state.ProgramDir = tree.folder(u"prog"_s);
        core.state.TempDir = tree.folder(u"prog/Temp"_s);
        archives = tree.folder(u"archives"_s) + u'/';
        // The system's temporary folder, where the scratch folders go.
        qputenv("TMPDIR", tree.folder(u"tmp"_s).toLocal8Bit());
    }
    ~ViewerTest() override { qputenv("TMPDIR", oldTmp_); }
    /// The record the viewer opens files of, and its file list.
    void show(const QString& archiveName, const QStringList& files,
              const QString& folder = QString()) {
        TContentRecord record;
        record.ArchiveName = archiveName;
        record.ArchiveDir = folder.isNull() ? archives : folder;
        record.Files = files;
        record.FileCount = qint32(files.size());
        viewer.showInfo(file_info::describe(record, u"Mapname : "_s));
    }
    QStringList tempFiles() const {
        return QDir(core.state.TempDir).entryList(QDir::Files | QDir::NoDotAndDotDot);
    }
    /// What the opener was given, as "path|content" with the path below the
    /// scratch folder of its view; a path elsewhere is kept whole, and fails.
    QStringList openedInScratch() const {
        const QString root = tree.path(u"tmp/"_s);
        QStringList out;
        for (const QString& line : opener.opened()) {
            const qsizetype folderEnd = line.indexOf(u'/', root.size());
            out.append(line.startsWith(root) && folderEnd > 0 ? line.mid(folderEnd + 1) : line);
        }
        return out;
    }
    /// Nothing left of any scratch folder.
    bool scratchGone() const { return QDir(tree.path(u"tmp"_s)).isEmpty(); }

    TempTree tree;
    testing_support::FakeOpener opener{tree};
    FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core;
    CommandBoundary commands;
    TForm2 viewer;
    QTableWidget* Listheader = control<QTableWidget>(viewer, u"Listheader"_s);
    QTableWidget* ListFiles = control<QTableWidget>(viewer, u"ListFiles"_s);
    QPushButton* Button1 = control<QPushButton>(viewer, u"Button1"_s);
    QLabel* Preview = control<QLabel>(viewer, u"Preview"_s);
    QString archives;

private:
    QByteArray oldTmp_;
};

} // namespace

TEST_F(ViewerTest, ControlsAsDrawn) {
    EXPECT_TRUE(viewer.windowTitle().isEmpty());
    EXPECT_EQ(viewer.size(), QSize(TForm2::ClientWidth, TForm2::ClientHeight));
    QTableWidget* header = Listheader;
    EXPECT_EQ(header->columnCount(), 3);
    EXPECT_EQ(header->rowCount(), 6);
    EXPECT_FALSE(header->isEnabled());
    EXPECT_EQ(header->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(header->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(header->rowHeight(0), 16);
    EXPECT_EQ(header->columnWidth(1), 120);
    EXPECT_EQ(header->font().pixelSize(), 12);
    EXPECT_EQ(header->geometry(), QRect(0, 0, TForm2::ClientWidth, 110));
    QTableWidget* files = ListFiles;
    EXPECT_EQ(files->columnCount(), 2);
    EXPECT_FALSE(files->showGrid());
    EXPECT_EQ(files->verticalHeader()->defaultSectionSize(), 18);
    EXPECT_EQ(files->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(files->toolTip(), u"Double click to open the file"_s);
    EXPECT_EQ(files->geometry(), QRect(0, 110, TForm2::ClientWidth, TForm2::ClientHeight - 110));
    EXPECT_EQ(Button1->text(), u"Close"_s);
    // Right edge 390, 20 high, at least 35 wide and never cutting the caption.
    const QRect button = Button1->geometry();
    EXPECT_EQ(QRect(button.right() - 34, button.top(), 35, button.height()), QRect(355, 1, 35, 20));
    EXPECT_GT(button.width(), Button1->fontMetrics().horizontalAdvance(u"Close"_s));
}

TEST_F(ViewerTest, ZipFileOpenedByBareThenStoredNameTwiceAndTheCopiesGoWithTheViewer) {
    ASSERT_TRUE(testing_support::ZipBuilder()
                    .file(u"readme.TXT"_s, "top")
                    .file(u"docs/notes.txt"_s, "inner")
                    .file(u"DM-X.ut2"_s, "map")
                    .write(archives + u"DM-X.zip"_s));
    show(u"DM-X.zip"_s, {u"DM-X.ut2"_s, u"readme.TXT"_s, u"notes.txt"_s});
    viewer.ListFilesDblClick(0, 1); // .ut2: not a viewable type
    viewer.ListFilesDblClick(1, 0); // column 0
    EXPECT_TRUE(opener.opened().isEmpty());

    viewer.ListFilesDblClick(1, 1); // the extension test ignores case
    viewer.ListFilesDblClick(1, 1);
    viewer.ListFilesDblClick(2, 1);
    ASSERT_TRUE(opener.waitForOpened(3));
    // Started one after the other, but they may log in any order.
    QStringList opened = openedInScratch();
    opened.sort();
    EXPECT_EQ(opened,
              (QStringList{u"notes.txt|inner"_s, u"readme.TXT|top"_s, u"readme.TXT|top"_s}));
    // Each view has a copy of its own, kept until the viewer closes.
    EXPECT_EQ(QDir(tree.path(u"tmp"_s)).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 3);
    Button1->click();
    EXPECT_TRUE(scratchGone());
    EXPECT_TRUE(QDir(core.state.TempDir).isEmpty()) << tempFiles().join(u',').toStdString();
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();
}

TEST_F(ViewerTest, AZipFileNotFoundIsReportedAtTheMainWindowsCorner) {
    ASSERT_TRUE(testing_support::ZipBuilder().file(u"a.txt"_s, "a").write(archives + u"A.zip"_s));
    show(u"A.zip"_s, {u"gone.txt"_s});
    viewer.ListFilesDblClick(0, 1);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].kind, platform::MsgKind::Error);
    EXPECT_EQ(dialogs.shown[0].text, u"Sorry, an error occured when trying to view gone.txt"_s);
    EXPECT_EQ(dialogs.shown[0].buttons, platform::Ok);
    EXPECT_EQ(dialogs.shown[0].offset, QPoint(0, 0));
    EXPECT_TRUE(opener.opened().isEmpty());
}

TEST_F(ViewerTest, RarFileOpenedFromItsFolderAndALaterInstallStillExtractsEverything) {
    using testing_support::Rar4Entry;
    ASSERT_TRUE(testing_support::writeRar4Archive(
        archives + u"S.rar"_s,
        {Rar4Entry::file("docs\\read me.txt", "rar text"), Rar4Entry::file("S.utx", "tex")}));
    show(u"S.rar"_s, {u"docs/read me.txt"_s, u"S.utx"_s});
    viewer.ListFilesDblClick(0, 1);
    ASSERT_TRUE(opener.waitForOpened(1));
    EXPECT_EQ(openedInScratch(), QStringList{u"docs/read me.txt|rar text"_s});
    viewer.reject();
    EXPECT_TRUE(scratchGone());
    EXPECT_TRUE(QDir(core.state.TempDir).isEmpty());
    EXPECT_TRUE(core.dRar31.FileListToProcess.isEmpty());

    EXPECT_TRUE(
        core::ExtractArchive(core.context(), {archives + u"S.rar"_s, tree.folder(u"install"_s), {}})
            .ok);
    EXPECT_EQ(tree.read(u"install/S.utx"_s), "tex");
    EXPECT_EQ(tree.read(u"install/docs/read me.txt"_s), "rar text");
}

TEST_F(ViewerTest, ANameLeadingOutOfTempNeitherOpensNorDeletesAFileThere) {
    using testing_support::Rar4Entry;
    ASSERT_TRUE(testing_support::writeRar4Archive(archives + u"H.rar"_s,
                                                  {Rar4Entry::file("../victim.txt", "x")}));
    tree.file(u"prog/victim.txt"_s, "mine");
    show(u"H.rar"_s, {u"../victim.txt"_s});
    viewer.ListFilesDblClick(0, 1);
    ASSERT_TRUE(opener.waitForOpened(1));
    EXPECT_EQ(tree.read(u"prog/victim.txt"_s), "mine");
    // The entry was extracted confined, as victim.txt in the scratch
    // folder, and that copy is what was opened and deleted.
    for (const QString& line : openedInScratch())
        EXPECT_TRUE(line.startsWith(u"victim.txt|"_s)) << line.toStdString();
    viewer.accept();
    EXPECT_TRUE(scratchGone());
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(ViewerTest, OtherArchiveTypesAndCacheRecordsOpenNothing) {
    tree.file(u"prog/Temp/left.txt"_s, "old");
    show(u""_s, {u"left.txt"_s}); // a Cache record has no archive name
    viewer.ListFilesDblClick(0, 1);
    show(u"A.7z"_s, {u"left.txt"_s});
    viewer.ListFilesDblClick(0, 1);
    EXPECT_TRUE(opener.opened().isEmpty());
    EXPECT_EQ(tree.read(u"prog/Temp/left.txt"_s), "old");
}

TEST(ViewerHandOff, TheCopyOutlivesALauncherThatReturnsAtOnceAndGoesWithTheViewer) {
    // The launcher of GNOME or KDE: xdg-open ends at once, the program it
    // started reads the file a moment later.
    TempTree tree;
    testing_support::FakeOpener launcher(tree,
                                         testing_support::FakeOpener::Mode::LooksASecondLater);
    FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core(dialogs, status);
    CommandBoundary commands(core.state, [&](const QString& text) { dialogs.errorMessage(text); });
    TForm2 viewer(core.context(), commands);
    ASSERT_TRUE(testing_support::ZipBuilder()
                    .file(u"readme.txt"_s, "read me")
                    .write(tree.path(u"DM-L.zip"_s)));
    TContentRecord record;
    record.ArchiveName = u"DM-L.zip"_s;
    record.ArchiveDir = tree.root() + u'/';
    record.Files = {u"readme.txt"_s};
    record.FileCount = 1;
    viewer.showInfo(file_info::describe(record, u"Mapname : "_s));
    viewer.ListFilesDblClick(0, 1);
    ASSERT_TRUE(launcher.waitForOpened(1));
    ASSERT_EQ(launcher.opened().size(), 1);
    EXPECT_TRUE(launcher.opened()[0].endsWith(u"/readme.txt|there"_s))
        << launcher.opened()[0].toStdString();
    const QString copy = launcher.opened()[0].section(u'|', 0, 0);
    EXPECT_TRUE(QFileInfo::exists(copy));
    // Viewed again while the first copy is still there: a second copy.
    viewer.ListFilesDblClick(0, 1);
    ASSERT_TRUE(launcher.waitForOpened(2));
    EXPECT_TRUE(launcher.opened()[1].endsWith(u"/readme.txt|there"_s));
    EXPECT_NE(launcher.opened()[1].section(u'|', 0, 0), copy);
    control<QPushButton>(viewer, u"Button1"_s)->click();
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_FALSE(QFileInfo::exists(launcher.opened()[1].section(u'|', 0, 0)));
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();
}

TEST_F(ViewerTest, AFileTheDesktopCannotOpenIsSaidWithWhereItsCopyIs) {
    ASSERT_TRUE(testing_support::ZipBuilder().file(u"a.txt"_s, "a").write(archives + u"A.zip"_s));
    show(u"A.zip"_s, {u"a.txt"_s});
    struct Case {
        const char* what;
        int exitCode; ///< of the stand-in xdg-open; -1: there is none
        QString reason;
    };
    const Case cases[] = {
        {"no program for it", 3, u"The desktop has no program for this kind of file or address."_s},
        {"its program failed", 4, u"The desktop's program for it failed to start or to open it."_s},
        {"no xdg-open", -1,
         u"xdg-open, the desktop's opener, is not installed (package xdg-utils)."_s},
    };
    const QByteArray path = qgetenv("PATH");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempTree own;
        std::optional<testing_support::FakeOpener> failing;
        if (c.exitCode >= 0)
            failing.emplace(own, testing_support::FakeOpener::Mode::LogsContent, c.exitCode);
        else
            qputenv("PATH", own.folder(u"empty-bin"_s).toLocal8Bit());
        dialogs.shown.clear();
        viewer.ListFilesDblClick(0, 1);
        const bool said = QTest::qWaitFor([&] { return !dialogs.shown.isEmpty(); }, 10000);
        qputenv("PATH", path);
        ASSERT_TRUE(said);
        ASSERT_EQ(dialogs.shown.size(), 1);
        const QString text = dialogs.shown[0].text;
        const QString copy =
            text.section(u"\r"_s, 0, 0).mid(u"The desktop could not open "_s.size());
        EXPECT_TRUE(text.startsWith(u"The desktop could not open "_s)) << text.toStdString();
        EXPECT_TRUE(copy.endsWith(u"/a.txt"_s)) << text.toStdString();
        EXPECT_TRUE(QFileInfo::exists(copy)) << "the copy stays to be opened by hand";
        EXPECT_EQ(text.section(u"\r\r"_s, 1, 1), c.reason);
        EXPECT_EQ(text.section(u"\r\r"_s, 2),
                  u"The copy stays in "_s + QFileInfo(copy).absolutePath() +
                      u" until you close the file list: open it from there with a program of "_s
                      u"your choice."_s);
        EXPECT_EQ(dialogs.shown[0].kind, platform::MsgKind::Error);
        EXPECT_EQ(dialogs.shown[0].buttons, platform::Ok);
    }
    viewer.reject();
    EXPECT_TRUE(scratchGone());
}

TEST_F(ViewerTest, TheFirstPictureIsPreviewedQuietlyAndItsCopyDeleted) {
    QImage shot(160, 120, QImage::Format_RGB32);
    shot.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(shot.save(&buffer, "PNG"));
    ASSERT_TRUE(testing_support::ZipBuilder()
                    .file(u"readme.txt"_s, "text")
                    .file(u"shots/DM-X.PNG"_s, png)
                    .file(u"broken.jpg"_s, "not a picture")
                    .write(archives + u"DM-X.zip"_s));
    viewer.setFixedSize(400, 250);
    show(u"DM-X.zip"_s, {});
    viewer.ShowPreview({u"readme.txt"_s, u"DM-X.PNG"_s, u"broken.jpg"_s});
    EXPECT_FALSE(Preview->isHidden());
    const QPixmap shown = Preview->pixmap();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.toImage().pixelColor(0, 0), QColor(Qt::red));
    EXPECT_LE(shown.width(), Preview->width());
    EXPECT_LE(shown.height(), Preview->height());
    EXPECT_GE(Preview->x(), 1 + 120 + 220) << "beside the value column";
    EXPECT_TRUE(tempFiles().isEmpty());
    EXPECT_TRUE(scratchGone());

    // A picture that cannot be read, an archive gone, no picture: nothing
    // shown and nothing asked.
    for (const QStringList& files : {QStringList{u"broken.jpg"_s}, QStringList{u"readme.txt"_s}}) {
        viewer.ShowPreview(files);
        EXPECT_TRUE(Preview->isHidden());
    }
    show(u"Gone.zip"_s, {});
    viewer.ShowPreview({u"DM-X.PNG"_s});
    EXPECT_TRUE(Preview->isHidden());
    EXPECT_FALSE(core.ZipMaster1.Unattended);
    EXPECT_TRUE(tempFiles().isEmpty());
    EXPECT_TRUE(opener.opened().isEmpty());
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();
}

TEST_F(ViewerTest, ThePreviewOfAnEncryptedOrFoldedRarAsksNothingAndLeavesNothing) {
    QImage shot(40, 30, QImage::Format_RGB32);
    shot.fill(Qt::blue);
    tree.folder(u"src/shots"_s);
    ASSERT_TRUE(shot.save(tree.path(u"src/shots/DM-X.png"_s), "PNG"));
    viewer.setFixedSize(400, 250);
    // A picture in a folder of the archive: shown, and its folder goes too.
    using testing_support::Rar4Entry;
    QFile png(tree.path(u"src/shots/DM-X.png"_s));
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    ASSERT_TRUE(testing_support::writeRar4Archive(
        archives + u"Folded.rar"_s, {Rar4Entry::file("shots\\DM-X.png", png.readAll())}));
    show(u"Folded.rar"_s, {});
    status.setStatus(u"before"_s);
    viewer.ShowPreview({u"shots/DM-X.png"_s});
    EXPECT_FALSE(Preview->isHidden());
    EXPECT_TRUE(QDir(core.state.TempDir).isEmpty());
    EXPECT_TRUE(scratchGone()) << "no file and no folder left";
    EXPECT_EQ(status.status(), u"before"_s);

    if (testing_support::rarToolPath().isEmpty())
        GTEST_SKIP() << "the rar command is not installed";
    for (const QString& option : {u"-psecret"_s, u"-hpsecret"_s}) {
        const QString locked = archives + u"Locked"_s + option + u".rar"_s;
        ASSERT_EQ(testing_support::runRarTool(tree.path(u"src/shots"_s),
                                              {u"a"_s, option, locked, u"DM-X.png"_s}),
                  0);
        core.dRar31.Backend = archives::RarBackend::UnrarOnly;
        show(QFileInfo(locked).fileName(), {});
        viewer.ShowPreview({u"DM-X.png"_s});
        EXPECT_TRUE(Preview->isHidden()) << option.toStdString();
        EXPECT_TRUE(QDir(core.state.TempDir).isEmpty());
        EXPECT_EQ(status.status(), u"before"_s);
    }
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();
}

TEST_F(ViewerTest, APictureLargerThanFourMegabytesIsNotExtractedForThePreview) {
    // A real picture of noise, which no compression makes smaller: over
    // 4 MiB as a PNG, and shown were it extracted.
    QImage noise(1300, 1300, QImage::Format_RGB32);
    quint32 x = 12345;
    for (int y = 0; y < noise.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(noise.scanLine(y));
        for (int i = 0; i < noise.width(); ++i) {
            x = x * 1103515245u + 12345u;
            line[i] = qRgb(int(x >> 24), int((x >> 16) & 0xFF), int((x >> 8) & 0xFF));
        }
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(noise.save(&buffer, "PNG"));
    ASSERT_GT(png.size(), 4 << 20);
    ASSERT_TRUE(testing_support::ZipBuilder()
                    .file(u"huge.png"_s, png, true)
                    .write(archives + u"Huge.zip"_s));
    viewer.setFixedSize(400, 250);
    show(u"Huge.zip"_s, {});
    status.setStatus(u"before"_s);
    viewer.ShowPreview({u"huge.png"_s});
    EXPECT_TRUE(Preview->isHidden());
    EXPECT_TRUE(QDir(core.state.TempDir).isEmpty());
    EXPECT_EQ(status.status(), u"before"_s);
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();
}
