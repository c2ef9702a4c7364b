// The settings loader as the window runs it: the values go to the core
// state, the editor, the map filter and the window layout.
#include "core/data_folder.h"
#include "core/lifecycle.h"
#include "core/settings_file.h"
#include "gui/config_page.h"
#include "gui/content_page_rows.h"
#include "gui/main_window.h"
#include "gui/maps_page.h"
#include "gui/theme_engine.h"
#include "intake/database_update.h"
#include "platform/dialogs.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

void TForm1::LoadSettings(bool AtStartUp) {
    AppState& s = state();
    const data_folder::LoadedSettings loaded = data_folder::LoadSettings(*core_, AtStartUp);
    // The editor and the filter show what was applied, also when a later
    // line turns out damaged.
    TabConfig->showRows(loaded.applied.editorRows);
    if (loaded.applied.mapFilter)
        for (ContentPage* page : std::as_const(contentPages_)) {
            if (auto* maps = qobject_cast<MapsPage*>(page))
                maps->setMapFilter(*loaded.applied.mapFilter);
        }
    if (loaded.layout)
        applyLayout(*loaded.layout);
    if (loaded.damaged) {
        settingsDamaged(*loaded.damaged);
        return;
    }
    // The first Save of a first run: the game may hold content of any
    // archive the scans find, all of them recorded anew.
    const bool firstSave = !AtStartUp && s.StartingUp;
    // A failed scan or list load is reported, but a sound settings file is
    // kept. The window stays busy while the scans process events.
    QStringList recorded;
    runCommand(CommandBoundary::Long, CommandBoundary::Writes, [this, &recorded] {
        const intake::ScanResult scanned =
            ScanConfiguredFolders(context(), fScan, [this](catalogue::ContentKind kind) {
                // The first page (Maps) reads its lists when it is shown,
                // below.
                if (kind != catalogue::AllKinds.front())
                    contentPage(kind)->loadLists();
            });
        recorded = scanned.recorded;
        ReportUnsupportedFiles(scanned.ErrorLogLines);
    });
    if (AtStartUp) {
        if (const QString missing = lifecycle::missingGameFolderText(s); !missing.isEmpty())
            dialogs_->message(platform::MsgKind::Warning, missing, platform::Ok, QPoint(50, 125));
    }
    offerFoundContent(recorded, firstSave);
    s.StartingUp = false;
    showPage(MapsTab);
}

void TForm1::applyLayout(const settings_file::LayoutValues& layout) {
    state().ThemeIndex = layout.ThemeIndex;
    if (layout.ThemeIndex == -1) {
        state().ThemeFile = layout.ThemeFile;
        if (!QFileInfo::exists(layout.ThemeFile) ||
            themes_->loadFile(layout.ThemeFile) != ThemeEngine::LoadError::None)
            themes_->selectBuiltIn(1);
    } else {
        themes_->selectBuiltIn(layout.ThemeIndex);
        state().ThemeFile = layout.ThemeFile;
    }
    themes_->setEnabled(layout.ThemeOn);
    // A position that is no number left the theme lines alone (the file
    // is damaged then).
    if (layout.WindowPos)
        move(*layout.WindowPos);
    if (layout.LastZipDir && layout.LastUz2Dir) {
        state().LastZipDir = *layout.LastZipDir;
        state().LastUz2Dir = *layout.LastUz2Dir;
    }
}

void TForm1::settingsDamaged(const settings_file::DamagedSettings& kept) {
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
