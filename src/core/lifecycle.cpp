#include "core/lifecycle.h"

#include "platform/errors.h"
#include "platform/file_helpers.h"
#include "platform/io_errors.h"
#include "platform/text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace core::lifecycle {

void prepareTempDir(AppState& state) {
    state.TempDir = state.ProgramDir + u"/Temp"_s;
    QFileInfo info(state.TempDir);
    if (info.isDir() && !info.isSymLink()) {
        for (const platform::FileEntry& e : platform::listByMask(state.TempDir, u"*"_s))
            platform::removeTree(e.path);
        return;
    }
    if (!QDir().mkpath(state.TempDir))
        throw platform::Error(platform::cannotCreateFolderText(state.TempDir));
}

bool removeTempDir(const AppState& state) {
    if (state.TempDir.isEmpty())
        return true;
    const QFileInfo info(state.TempDir);
    if (!info.exists() && !info.isSymLink())
        return true;
    return platform::removeTree(state.TempDir);
}

QString missingGameFolderText(const AppState& state) {
    if (state.GameDir.isEmpty() || QFileInfo(state.GameDir).isDir())
        return {};
    return u"The game folder\r"_s + state.GameDir +
           u"\rdoes not exist (a disk not mounted, or the game moved), so nothing can be "
           u"installed or uninstalled.\r\rChoose the game's folder on the Configure page and "
           u"press Save."_s;
}

QString couldNotRemoveTempText(const AppState& state) {
    return u"Couldn't remove directory "_s + state.TempDir + u" !\r\r"_s +
           u"Please delete the directory before you start Quorvel next time"_s;
}

ErrorLogWrite WriteErrorLog(const GamePaths& state, const QStringList& lines) {
    ErrorLogWrite out;
    if (lines.isEmpty())
        return out;
    // The same refused archives would bring the question back on every
    // start: it is asked only when the log names something it did not.
    QSet<QString> before;
    if (QFileInfo::exists(state.errorLogPath())) {
        try {
            const QStringList old = platform::readLines(state.errorLogPath());
            before = QSet<QString>(old.cbegin(), old.cend());
        } catch (const platform::Error&) {
            // An old log that cannot be read names nothing.
        }
    }
    out.news = std::any_of(lines.cbegin(), lines.cend(),
                           [&before](const QString& line) { return !before.contains(line); });
    platform::writeLines(state.errorLogPath(), lines);
    out.lines = lines;
    return out;
}

bool ReportUnsupportedFiles(const GamePaths& state, const QStringList& lines,
                            platform::Dialogs& dialogs) {
    if (!WriteErrorLog(state, lines).news)
        return false;
    const QString text =
        u"Some files in the configured directories are not supported by Quorvel.\r\r"_s +
        u"Details can be found in "_s + state.errorLogPath() + u"\r\r"_s +
        u"Do you want to read the log now?"_s;
    return dialogs.message(platform::MsgKind::Warning, text, platform::Yes | platform::No,
                           QPoint(50, 100)) == platform::Yes;
}

} // namespace core::lifecycle
