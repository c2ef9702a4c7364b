#include "core/settings_file.h"

#include "core/content_db.h"
#include "platform/errors.h"
#include "platform/file_helpers.h"
#include "platform/text_file.h"

#include <QFileInfo>

#include <exception>

using namespace Qt::Literals::StringLiterals;

namespace core::settings_file {

namespace {

constexpr int MaxLayoutReadLines = 30;

const QString LayoutHeader = u"[Layout]"_s;

bool holdsLineBreak(const QString& text) {
    return text.contains(u'\n') || text.contains(u'\r');
}

/// A value for the layout lines: one that would break the line numbering
/// is stored empty.
QString storable(const QString& text) {
    return holdsLineBreak(text) ? QString() : text;
}

/// Line `index` as a decimal integer; throws when it is not one.
int decimalAt(const QStringList& lines, int index) {
    bool ok = false;
    const int value = lines.at(index).toInt(&ok, 10);
    if (!ok)
        throw platform::Error(u"'%1' is not a valid integer value"_s.arg(lines.at(index)));
    return value;
}

/// A file without all of lines 0 to 14 is damaged.
platform::Error tooShort(const QStringList& lines) {
    return platform::Error(
        u"The settings file is damaged: it has %1 lines, at least %2 are needed."_s
            .arg(lines.size())
            .arg(AdditionalGamesLine + 1));
}

} // namespace

QString currentVersion() {
    return u"2.05"_s;
}

const QStringList& settingRowNames() {
    static const QStringList names{
        u"Game Directory"_s,    u"Custom Map Directory"_s, u"Custom Skin Directory"_s,
        u"Mutator Directory"_s, u"Demos Directory"_s,      u"Search files in subdirs"_s,
        u"Overwrite files"_s,   u"Install extra files"_s,  u"Additional games"_s,
    };
    return names;
}

QStringList readSettingsLines(const QString& path) {
    return platform::readLines(path);
}

bool isCurrentVersion(const QString& line2) {
    return line2 == u"2.05"_s || line2 == u"2.02"_s || line2 == u"2.1"_s;
}

RecordFileSizes recordFileSizes(const AppState& state) {
    auto sizeOf = [](const QString& path) -> qint64 {
        const QFileInfo info(path);
        return info.isFile() ? info.size() : -1;
    };
    return {sizeOf(state.mapDataPath()), sizeOf(state.modDataPath())};
}

bool fitsOldRecords(qint64 bytes) {
    if (bytes == 0)
        return true;
    return bytes > 0 && bytes % TContentRecord::OldRecordSize == 0 &&
           bytes % TContentRecord::RecordSize != 0;
}

bool needsUpgrade(const QStringList& lines, const RecordFileSizes& sizes) {
    if (lines.size() <= VersionLine)
        throw platform::Error(u"The settings file is damaged: it has no version line."_s);
    if (isCurrentVersion(lines.at(VersionLine)))
        return false;
    if (lines.at(1) != u"[Game]"_s)
        throw platform::Error(
            u"The settings file is damaged: line 2 is no known version and the file is not "
            u"of the old layout."_s);
    if (!fitsOldRecords(sizes.maps) || !fitsOldRecords(sizes.mods))
        throw platform::Error(u"The settings file is damaged: it looks like the old layout, but "
                              u"the record files are not of the old record size."_s);
    return true;
}

DamagedSettings keepDamaged(const QString& path) {
    DamagedSettings kept;
    kept.path = path;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return kept;
    kept.keptAs = path + u".damaged"_s;
    const platform::Outcome moved = platform::renameReplacing(path, kept.keptAs);
    if (!moved)
        kept.failure = moved.error();
    return kept;
}

QString damagedText(const DamagedSettings& kept) {
    QString text = u"Ini-file may be corrupt or missing.\rReconfigure your settings"_s;
    if (kept.keptAs.isEmpty())
        return text;
    if (kept.failure.isEmpty())
        return text + u"\r\rThe damaged file is kept as %1."_s.arg(kept.keptAs);
    return text + u"\r\rThe damaged file could not be moved to %1 (%2); it stays as %3 until "
                  u"\"Save\" replaces it."_s.arg(kept.keptAs, kept.failure, kept.path);
}

void UpgradeSettings(const AppState& state) {
    // Records first: should that fail, the settings file still says "old"
    // and the next start tries again.
    content_db::UpgradeRecords(state);
    QStringList lines = readSettingsLines(state.settingsPath());
    if (lines.size() > 1) {
        lines.insert(1, currentVersion());
        lines.insert(1, u"[Program version]"_s);
    }
    platform::writeLines(state.settingsPath(), lines);
}

QString baseMapFilter() {
    return u"All|All|AS|AS|BR|BR|CTF|CTF|DM|DM|DOM|DOM|ONS|ONS"_s;
}

QString mapFilterFor(const QString& additionalGames) {
    QString filter = baseMapFilter();
    QString rest = additionalGames.trimmed();
    // The loop stops on a last item of one character; that is how the
    // value has always been read, so such an item is not added.
    while (rest.contains(u' ') || rest.size() > 1) {
        QString item;
        const qsizetype space = rest.indexOf(u' ');
        if (space >= 0) {
            item = rest.left(space);
            rest = rest.mid(space + 1).trimmed();
        } else {
            item = rest;
            rest.clear();
        }
        filter += u'|' + item + u'|' + item;
    }
    return filter;
}

QStringList SettingsValues::editorValues() const {
    return {GameDir,     CustomMapDir,  CustomSkinDir,  MutatorDir,     DemosDir,
            SubDirsText, OverwriteText, ExtraFilesText, AdditionalGames};
}

SettingsValues parseSettingsValues(const QStringList& lines) {
    if (lines.size() <= AdditionalGamesLine)
        throw tooShort(lines);
    SettingsValues v;
    v.GameName = lines.at(GameNameLine);
    v.GameDir = lines.at(GameDirLine);
    v.CustomMapDir = lines.at(CustomMapDirLine);
    v.CustomSkinDir = lines.at(CustomSkinDirLine);
    v.MutatorDir = lines.at(MutatorDirLine);
    v.DemosDir = lines.at(DemosDirLine);
    v.SubDirsText = lines.at(SubDirsLine);
    v.OverwriteText = lines.at(OverwriteLine);
    v.ExtraFilesText = lines.at(ExtraFilesLine);
    v.AdditionalGames = lines.at(AdditionalGamesLine);
    v.ScanSubDirs = v.SubDirsText == u"Yes"_s;
    v.OverwriteAlways = v.OverwriteText == u"Always"_s;
    v.InstallExtraFiles = v.ExtraFilesText == u"Yes"_s;
    return v;
}

void applySettings(AppState& state, const QStringList& lines, AppliedSettings& applied) {
    auto line = [&](int index) -> const QString& {
        if (index >= lines.size())
            throw tooShort(lines);
        return lines.at(index);
    };
    auto row = [&](int index) -> const QString& {
        const QString& value = line(index);
        applied.editorRows.append(value);
        return value;
    };
    state.GameName = line(GameNameLine);
    state.setGameDir(row(GameDirLine));
    // The three flags are only ever set: a folder emptied by a later "Save"
    // stays scanned until the program restarts.
    state.CustomMapDir = row(CustomMapDirLine);
    state.MapDirSet = state.MapDirSet || !state.CustomMapDir.isEmpty();
    state.CustomSkinDir = row(CustomSkinDirLine);
    state.SkinDirSet = state.SkinDirSet || !state.CustomSkinDir.isEmpty();
    state.MutatorDir = row(MutatorDirLine);
    state.MutatorDirSet = state.MutatorDirSet || !state.MutatorDir.isEmpty();
    state.DemosDir = row(DemosDirLine);
    state.ScanSubDirs = row(SubDirsLine) == u"Yes"_s;
    state.OverwriteAlways = row(OverwriteLine) == u"Always"_s;
    state.InstallExtraFiles = row(ExtraFilesLine) == u"Yes"_s;
    applied.mapFilter = mapFilterFor(row(AdditionalGamesLine));
    state.computeGameSubDirs();
}

std::optional<LayoutValues> parseThemeLines(const QStringList& lines) {
    int themeIndex = -2;
    if (lines.size() > ThemeIndexLine) {
        bool ok = false;
        themeIndex = lines.at(ThemeIndexLine).toInt(&ok, 10);
        if (!ok)
            themeIndex = -2;
    }
    if (themeIndex <= -2)
        return std::nullopt;

    LayoutValues layout;
    layout.ThemeIndex = themeIndex;
    layout.ThemeFile = lines.value(ThemeFileLine);
    layout.ThemeOn = lines.value(ThemeOnLine) == u"Yes"_s;
    return layout;
}

std::optional<LayoutValues> parseLayout(const QStringList& lines) {
    std::optional<LayoutValues> theme = parseThemeLines(lines);
    if (!theme)
        return std::nullopt;
    LayoutValues layout = *theme;
    // A present position value must be a number; a file cut short before
    // line 20 keeps the default position rather than counting as damaged.
    if (lines.size() > LeftLine) {
        const int left = decimalAt(lines, LeftLine);
        if (lines.size() > TopLine)
            layout.WindowPos = QPoint(left, decimalAt(lines, TopLine));
    }
    if (lines.size() > LastUz2DirLine) {
        layout.LastZipDir = lines.at(LastZipDirLine);
        layout.LastUz2Dir = lines.at(LastUz2DirLine);
    }
    return layout;
}

void writeSettings(const QString& path, const QString& gameName, const QStringList& nineValues) {
    Q_ASSERT(nineValues.size() == settingRowNames().size());
    if (holdsLineBreak(gameName))
        throw platform::Error(u"The game name cannot hold a line break."_s);
    QStringList lines{u"DO NOT EDIT THIS FILE"_s,
                      u"[Program version]"_s,
                      currentVersion(),
                      u"[Game]"_s,
                      gameName,
                      u"[Folders]"_s};
    for (qsizetype row = 0; row < settingRowNames().size(); ++row) {
        const QString value = nineValues.value(row);
        if (holdsLineBreak(value))
            throw platform::Error(
                u"The value of \"%1\" holds a line break and cannot be saved."_s.arg(
                    settingRowNames().at(row)));
        lines.append(value);
    }
    lines.append(LayoutHeader);
    platform::writeLines(path, lines);
}

bool storeLayout(const QString& path, const LayoutValues& layout) {
    try {
        // Reading first means a missing file fails here and is never created.
        const QStringList read = platform::readLines(path, MaxLayoutReadLines);
        QStringList lines;
        for (const QString& line : read) {
            lines.append(lines.size() == VersionLine ? currentVersion() : line);
            if (line == LayoutHeader)
                break;
        }
        const QPoint pos = layout.WindowPos.value_or(QPoint(0, 0));
        lines << QString::number(layout.ThemeIndex) << storable(layout.ThemeFile)
              << (layout.ThemeOn ? u"Yes"_s : u"No"_s) << QString::number(pos.x())
              << QString::number(pos.y()) << storable(layout.LastZipDir.value_or(QString()))
              << storable(layout.LastUz2Dir.value_or(QString()));
        platform::writeLines(path, lines);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace core::settings_file
