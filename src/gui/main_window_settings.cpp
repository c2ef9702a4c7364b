// The settings loader as the window runs it: the values go to the core
// state, the editor, the map filter and the window layout.
#include "core/content_db.h"
#include "core/lifecycle.h"
#include "core/settings_file.h"
#include "gui/config_page.h"
#include "gui/main_window.h"
#include "gui/maps_page.h"
#include "gui/mod_page.h"
#include "gui/theme_engine.h"
#include "intake/database_update.h"
#include "platform/dialogs.h"
#include "platform/errors.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

void TForm1::LoadSettings(bool AtStartUp) {
    using namespace settings_file;
    AppState& s = state();
    AppliedSettings applied;
    // The editor and the filter show what was applied, also when a later
    // line turns out damaged.
    auto show = [&] {
        TabConfig->showRows(applied.editorRows);
        if (applied.mapFilter)
            TabMaps->setMapFilter(*applied.mapFilter);
    };
    // A damaged file is kept aside and reported; from then on the record
    // files are read with the new size.
    auto damaged = [&] {
        show();
        core_->recordGuard.start();
        settingsDamaged();
    };
    QStringList lines;
    bool upgrade = false;
    try {
        lines = readSettingsLines(s.settingsPath());
        upgrade = needsUpgrade(lines, recordFileSizes(s));
    } catch (const platform::Error&) {
        damaged();
        return;
    }
    // Old records are judged at their own size before the upgrade converts
    // them, so what is damaged among them is kept rather than converted. A
    // copy that cannot be written is no fault of the settings file: the
    // error ends start-up, and the next start tries again.
    if (upgrade)
        core_->checkRecordFiles(TContentRecord::OldRecordSize);
    try {
        if (upgrade) {
            UpgradeSettings(s);
            lines = readSettingsLines(s.settingsPath());
        }
        core_->recordGuard.start();
        applySettings(s, lines, applied);
        show();
        if (AtStartUp)
            applyLayout(lines);
        core_->ZipMaster1.ExtrBaseDir = s.TempDir;
        core_->dRar31.TargetDirectory = s.TempDir;
        s.OpenDialog1Folder = s.CustomMapDir;
    } catch (const platform::Error&) {
        damaged();
        return;
    }
    // A failed scan or list load is reported, but a sound settings file is
    // kept. The window stays busy while the scans process events.
    runCommand(CommandBoundary::Long, CommandBoundary::Writes, [this] {
        ScanConfiguredFolders(context(), fScan,
                              [this](bool skins) { (skins ? TabSkins : TabMuts)->LoadModLists(); });
        ReportUnsupportedFiles();
    });
    if (AtStartUp) {
        if (const QString missing = lifecycle::missingGameFolderText(s); !missing.isEmpty())
            dialogs_->message(platform::MsgKind::Warning, missing, platform::Ok, QPoint(50, 125));
    }
    s.StartingUp = false;
    showPage(MapsTab);
}

void TForm1::applyLayout(const QStringList& lines) {
    const std::optional<settings_file::LayoutValues> theme = settings_file::parseThemeLines(lines);
    if (!theme)
        return;
    state().ThemeIndex = theme->ThemeIndex;
    if (theme->ThemeIndex == -1) {
        state().ThemeFile = theme->ThemeFile;
        if (!QFileInfo::exists(theme->ThemeFile) ||
            themes_->loadFile(theme->ThemeFile) != ThemeEngine::LoadError::None)
            themes_->selectBuiltIn(1);
    } else {
        themes_->selectBuiltIn(theme->ThemeIndex);
        state().ThemeFile = theme->ThemeFile;
    }
    themes_->setEnabled(theme->ThemeOn);
    // A position that is no number ends the loader here: the theme lines
    // before it stay applied.
    const std::optional<settings_file::LayoutValues> layout = settings_file::parseLayout(lines);
    if (layout->WindowPos)
        move(*layout->WindowPos);
    if (layout->LastZipDir && layout->LastUz2Dir) {
        state().LastZipDir = *layout->LastZipDir;
        state().LastUz2Dir = *layout->LastUz2Dir;
    }
}

void TForm1::settingsDamaged() {
    const settings_file::DamagedSettings kept = settings_file::keepDamaged(state().settingsPath());
    dialogs_->message(platform::MsgKind::Error, settings_file::damagedText(kept), platform::Ok,
                      QPoint(100, 75));
    showPage(ConfigTab);
}

void TForm1::chooseBuiltInTheme(int index) {
    state().ThemeIndex = index;
    themes_->selectBuiltIn(index);
    themes_->setEnabled(true);
}

void TForm1::LoadTheme1Click() {
    const QStringList files =
        dialogs_->openFiles(u"Load theme"_s, QFileInfo(state().ThemeFile).absolutePath(),
                            u"Style sheets (*.qss);;All files (*)"_s);
    if (files.isEmpty())
        return;
    const QString& file = files.first();
    QString problem;
    switch (themes_->loadFile(file)) {
    case ThemeEngine::LoadError::None:
        break;
    case ThemeEngine::LoadError::Unreadable:
        problem = u"Can't read the theme file "_s + file +
                  u"\r\rChoose another file or one of the built-in themes."_s;
        break;
    case ThemeEngine::LoadError::NotText:
        problem = u"The theme file "_s + file +
                  u" is not a text file. The look stays as it was.\r\r"_s
                  u"Choose a Qt style sheet (.qss) saved as UTF-8 text, or one of the built-in "_s
                  u"themes."_s;
        break;
    case ThemeEngine::LoadError::Unparsable:
        problem = u"The theme file "_s + file +
                  u" is not a style sheet Qt can read. The look stays as it was.\r\r"_s
                  u"Correct the file's syntax, or choose another file or one of the built-in "_s
                  u"themes."_s;
        break;
    }
    if (!problem.isEmpty()) {
        dialogs_->message(platform::MsgKind::Error, problem, platform::Ok, QPoint(50, 125));
        return;
    }
    state().ThemeIndex = -1;
    state().ThemeFile = file;
    themes_->setEnabled(true);
}
