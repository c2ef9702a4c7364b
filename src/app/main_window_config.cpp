// The settings loader, the Configure page and the theme menu.
#include "app/lifecycle.h"
#include "app/main_window.h"
#include "app/settings_file.h"
#include "app/theme_engine.h"
#include "app/value_list_editor.h"
#include "intake/rar_archive.h"
#include "intake/zip_master.h"
#include "platform/errors.h"
#include "platform/file_helpers.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace {

/// Rows of the configuration editor.
enum Row {
    GameDirRow = 1,
    MapDirRow,
    SkinDirRow,
    MutatorDirRow,
    DemosDirRow,
    SubDirsRow,
    OverwriteRow,
    ExtraFilesRow,
    AdditionalGamesRow
};

/// The game's executables that count as "the game is there".
bool gameExecutableExists(const QString& gameDir) {
    const QString system = platform::resolveIgnoringCase(gameDir, u"System"_s);
    for (const QString& exe : {u"UT2004.exe"_s, u"ut2004-bin"_s, u"ut2004-bin-linux-amd64"_s}) {
        if (QFileInfo(platform::resolveIgnoringCase(system, exe)).isFile())
            return true;
    }
    return false;
}

} // namespace

void TForm1::LoadSettings(bool AtStartUp) {
    using namespace settings_file;
    try {
        QStringList lines = readSettingsLines(state_.settingsPath());
        if (needsUpgrade(lines)) {
            UpgradeSettings(state_);
            lines = readSettingsLines(state_.settingsPath());
        }
        const SettingsValues v = parseSettingsValues(lines);
        state_.GameName = v.GameName;
        state_.GameDir = v.GameDir;
        VLE->setValue(GameDirRow, v.GameDir);
        // The three flags are only ever set: a folder emptied by a later
        // "Save" stays scanned until the program restarts.
        state_.CustomMapDir = v.CustomMapDir;
        VLE->setValue(MapDirRow, v.CustomMapDir);
        state_.MapDirSet = state_.MapDirSet || !v.CustomMapDir.isEmpty();
        state_.CustomSkinDir = v.CustomSkinDir;
        VLE->setValue(SkinDirRow, v.CustomSkinDir);
        state_.SkinDirSet = state_.SkinDirSet || !v.CustomSkinDir.isEmpty();
        state_.MutatorDir = v.MutatorDir;
        VLE->setValue(MutatorDirRow, v.MutatorDir);
        state_.MutatorDirSet = state_.MutatorDirSet || !v.MutatorDir.isEmpty();
        state_.DemosDir = v.DemosDir;
        VLE->setValue(DemosDirRow, v.DemosDir);
        state_.ScanSubDirs = v.ScanSubDirs;
        VLE->setValue(SubDirsRow, v.SubDirsText);
        state_.OverwriteAlways = v.OverwriteAlways;
        VLE->setValue(OverwriteRow, v.OverwriteText);
        state_.InstallExtraFiles = v.InstallExtraFiles;
        VLE->setValue(ExtraFilesRow, v.ExtraFilesText);
        VLE->setValue(AdditionalGamesRow, v.AdditionalGames);
        setMapFilter(mapFilterFor(v.AdditionalGames));
        state_.computeGameSubDirs();
        if (AtStartUp)
            applyLayout(lines);
        ZipMaster1->ExtrBaseDir = state_.TempDir;
        dRar31->TargetDirectory = state_.TempDir;
        OpenDialog1Folder = state_.CustomMapDir;
    } catch (const platform::Error&) {
        settingsDamaged();
        return;
    }
    try {
        state_.ErrorLogLines.clear();
        if (state_.MutatorDirSet)
            loadModLists(false);
        if (state_.SkinDirSet)
            loadModLists(true);
        ReportUnsupportedFiles();
    } catch (const platform::Error& e) {
        // A sound settings file is not deleted for a failed list load.
        showError(e.text());
    }
    state_.StartingUp = false;
    showPage(MapsPage);
}

void TForm1::applyLayout(const QStringList& lines) {
    const std::optional<settings_file::LayoutValues> layout = settings_file::parseLayout(lines);
    if (!layout)
        return;
    state_.ThemeIndex = layout->ThemeIndex;
    if (layout->ThemeIndex == -1) {
        state_.ThemeFile = layout->ThemeFile;
        if (!QFileInfo::exists(layout->ThemeFile) || !themes_->loadFile(layout->ThemeFile))
            themes_->selectBuiltIn(1);
    } else {
        themes_->selectBuiltIn(layout->ThemeIndex);
        state_.ThemeFile = layout->ThemeFile;
    }
    themes_->setEnabled(layout->ThemeOn);
    if (layout->WindowPos)
        move(*layout->WindowPos);
    if (layout->LastZipDir && layout->LastUz2Dir) {
        state_.LastZipDir = *layout->LastZipDir;
        state_.LastUz2Dir = *layout->LastUz2Dir;
    }
}

void TForm1::bConfigSaveClick() {
    try {
        state_.GameDir = VLE->value(GameDirRow);
        if (!gameExecutableExists(state_.GameDir)) {
            const QString text = u"Warning! Can't find "_s + state_.GameDir +
                                 u"/System/UT2004.exe\r\rDo you want to continue anyway?"_s;
            if (dialogs_->message(platform::MsgKind::Warning, text, platform::Yes | platform::No,
                                  QPoint(125, 150)) != platform::Yes)
                return;
        }
        state_.GameName = u"UT2004"_s;
        setStatus(u"  Saving configuration."_s);
        QStringList values;
        for (int row = GameDirRow; row <= AdditionalGamesRow; ++row)
            values.append(VLE->value(row));
        settings_file::writeSettings(state_.settingsPath(), state_.GameName, values);
    } catch (const platform::Error& e) {
        showError(e.text());
        return;
    }
    LoadSettings(false);
}

void TForm1::VLEEditButtonClick() {
    static const QStringList prompts = {
        u"Set your UT2004 main directory."_s, u"Where's your Custom Maps saved?"_s,
        u"Where's your Custom skins saved?"_s, u"Where do you store Mutators?"_s,
        u"And your cool Demos are?"_s};
    const int row = VLE->row();
    if (row < GameDirRow || row > DemosDirRow)
        return;
    const QString folder = dialogs_->chooseFolder(prompts[row - 1], QString(), false);
    if (!folder.isEmpty())
        VLE->setValue(row, folder);
    VLE->setRow(row + 1);
}

void TForm1::chooseBuiltInTheme(int index) {
    state_.ThemeIndex = index;
    themes_->selectBuiltIn(index);
    themes_->setEnabled(true);
}

void TForm1::LoadTheme1Click() {
    const QStringList files =
        dialogs_->openFiles(u"Load theme"_s, QFileInfo(state_.ThemeFile).absolutePath(),
                            u"Style sheets (*.qss);;All files (*)"_s);
    if (files.isEmpty())
        return;
    if (!themes_->loadFile(files.first())) {
        dialogs_->message(platform::MsgKind::Error,
                          u"Can't read the theme file "_s + files.first() +
                              u"\r\rChoose another file or one of the built-in themes."_s,
                          platform::Ok, QPoint(50, 125));
        return;
    }
    state_.ThemeIndex = -1;
    state_.ThemeFile = files.first();
    themes_->setEnabled(true);
}

void TForm1::ToggleTheme1Click() {
    themes_->toggle();
}
