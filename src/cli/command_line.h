#pragma once

#include "cli/terminal.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

/// quorvel-cli's verbs and the parsing of its command line.
namespace cli {

/// The program's exit codes.
enum ExitCode : int {
    Done = 0,           ///< everything asked was done
    NotAllDone = 1,     ///< partly done or refused; the reason is on standard error
    UsageError = 2,     ///< unknown verb or option, missing or bad argument
    DataUnreadable = 3, ///< Quorvel.ini or a record file cannot be read
};

/// Ends the program with `code`, `text` on standard error.
struct Exit {
    int code;
    QString text;
};

/// A usage error: exit code 2 with the text and a pointer to --help.
Exit usage(const QString& text);

class Session;
struct Invocation;

/// One verb: its name, its synopsis and description for --help, the names
/// of its own options (see verbOptions) and what runs it. A new verb is
/// one more entry in verbs().
struct Verb {
    QString name;
    QString synopsis;    ///< what follows "quorvel-cli " in its usage line
    QString summary;     ///< one line for the verb table of --help
    QString description; ///< the paragraph of its own --help
    QStringList options; ///< its own options, by name
    int (*run)(Session& session, const Invocation& call);
};

/// Every verb, in the order --help lists them.
const QList<Verb>& verbs();

/// The options the program takes before or after its verb.
struct GlobalOptions {
    QString dataDir; ///< absolute
    Answers answers = Answers::Ask;
    bool quiet = false;
};

/// One run of the program as its command line asks it.
struct Invocation {
    const Verb* verb = nullptr;
    QStringList args; ///< the arguments after the verb, in order
    GlobalOptions global;
    /// The verb's options given: name to value ("" for a switch).
    QMap<QString, QString> options;

    bool isSet(const QString& name) const { return options.contains(name); }
    QString value(const QString& name) const { return options.value(name); }
};

/// The data folder when --data is not given: $XDG_DATA_HOME/Quorvel, else
/// ~/.local/share/Quorvel, the same folder the window uses.
QString defaultDataFolder();

/// Parses the arguments (the program's name first). Options may stand
/// before or after the verb. Help and the version are printed here, and
/// nullopt comes back; a usage error is thrown as Exit.
std::optional<Invocation> parseCommandLine(const QStringList& arguments);

/// `path` absolute, against the folder the program was started in.
QString absolutePath(const QString& path);

} // namespace cli
