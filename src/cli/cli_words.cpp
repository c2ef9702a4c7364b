#include "cli/cli_words.h"

#include <QList>

#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace cli {

namespace {

/// The window's directions and what does the same on the command line.
const QList<std::pair<QString, QString>>& directions() {
    static const QList<std::pair<QString, QString>> table = {
        {u"Choose \"Update database\" in the System menu to list the archives in your folders "
         u"again, and \"Mark as installed\" for an installed one that is now listed as not "
         u"installed."_s,
         u"Run \"quorvel-cli update\" to list the archives in your folders again, and "
         u"\"quorvel-cli mark-installed NAME\" for an installed one that is now listed as not "
         u"installed."_s},
        {u"Choose the game's folder on the Configure page and press Save."_s,
         u"Set the game's folder with \"quorvel-cli config game-dir DIR\"."_s},
        {u"Choose the game folder on the Configure page and save."_s,
         u"Set the game folder with \"quorvel-cli config game-dir DIR\"."_s},
        {u"until \"Save\" replaces it."_s,
         u"until \"quorvel-cli config KEY VALUE\" replaces it."_s},
        {u"Run config and Update database"_s,
         u"Set the folders with \"quorvel-cli config KEY VALUE\" and run \"quorvel-cli update\""_s},
    };
    return table;
}

} // namespace

QString commandLineWords(const QString& text) {
    QString out = text;
    for (const auto& [window, commandLine] : directions())
        out.replace(window, commandLine);
    return out;
}

} // namespace cli
