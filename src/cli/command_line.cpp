#include "cli/command_line.h"

#include "core/data_folder.h"
#include "core/settings_file.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace cli {

namespace {

const QString Program = u"quorvel-cli"_s;

/// The options verbs take, by name; a verb lists the ones it takes.
const QList<QCommandLineOption>& verbOptions() {
    static const QList<QCommandLineOption> options = {
        {u"kind"_s, u"The list NAME is looked up in: maps, mutators or skins."_s, u"KIND"_s},
        {u"json"_s, u"Print JSON instead of lines."_s},
        {u"installed"_s, u"Only the installed list."_s},
        {u"available"_s, u"Only the list of archives not installed."_s},
        {u"filter"_s, u"Only maps of this game type (as the Maps page's filter offers)."_s,
         u"GAMETYPE"_s},
        {u"by-date"_s, u"Newest first, as Sort list > By Date."_s},
        {u"match"_s, u"Only the entries whose names hold TEXT, ignoring case, as Find does."_s,
         u"TEXT"_s},
        {u"to"_s, u"The folder the output goes to."_s, u"DIR"_s},
        {u"zip-to"_s, u"Install, and save each package with its imports as a zip in DIR."_s,
         u"DIR"_s},
        {u"zip-only"_s, u"Save each package with its imports as a zip in DIR, do not install."_s,
         u"DIR"_s},
        {u"maps"_s, u"Only map packages, as \"Show maps only\"."_s},
        {u"prune"_s, u"Also remove the .uz2 files Quorvel wrote whose source is gone."_s},
        {u"jobs"_s, u"Compress on N threads (default: one per processor core)."_s, u"N"_s},
        {u"repair-counts"_s, u"Set every shared count that disagrees as Repair counts does."_s},
        {u"adopt"_s, u"Mark the content NAME found installed by hand as installed."_s},
        {u"reinstall"_s, u"Uninstall and install again the content NAME with files missing."_s},
        {u"mark-not-installed"_s,
         u"Mark the content NAME with files missing as not installed, deleting nothing."_s},
        {u"strict"_s, u"Refuse a game folder whose System folder holds no program of the game."_s},
        {u"put-back-originals"_s,
         u"Put the game's own files FILE (all when none is named) that no installed archive "
         u"needs back into the game."_s},
    };
    return options;
}

const QCommandLineOption* verbOption(const QString& name) {
    for (const QCommandLineOption& option : verbOptions()) {
        if (option.names().contains(name))
            return &option;
    }
    return nullptr;
}

QList<QCommandLineOption> globalOptions() {
    return {
        {u"data"_s,
         u"The data folder (Quorvel.ini, record files, error.log, Temp). Default: "
         u"$XDG_DATA_HOME/Quorvel, else ~/.local/share/Quorvel."_s,
         u"DIR"_s},
        {u"yes"_s, u"Answer Yes to each question."_s},
        {u"yes-to-all"_s, u"Answer \"Yes to all\" where a question offers it, else Yes."_s},
        {u"no"_s, u"Answer No to each question."_s},
        {{u"q"_s, u"quiet"_s}, u"No progress and no closing status line."_s},
        {{u"h"_s, u"help"_s}, u"Show this help (for a verb: the verb's help)."_s},
        {u"version"_s, u"Show the version."_s},
    };
}

QString verbTable() {
    QString text = u"Verbs:\n"_s;
    for (const Verb& verb : verbs())
        text += u"  "_s + verb.name.leftJustified(15) + verb.summary + u'\n';
    return text;
}

void addOptions(QCommandLineParser& parser, const QStringList& names) {
    for (const QString& name : names) {
        if (const QCommandLineOption* option = verbOption(name))
            parser.addOption(*option);
    }
}

QString programHelp(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        u"Quorvel on the command line: installs, uninstalls and lists maps, mutators and skins "
        u"of Unreal Tournament 2004 on the same files as the window."_s);
    QString help = parser.helpText();
    // The parser's own usage line names the program by its full path.
    help =
        u"Usage: "_s + Program + u" [options] VERB [ARGUMENTS]"_s + help.mid(help.indexOf(u'\n'));
    return help + u'\n' + verbTable() + u"\n'"_s + Program +
           u" VERB --help' describes a verb. Exit codes: 0 done, 1 partly done or refused, "
           u"2 usage error, 3 data files unreadable.\n"_s;
}

QString verbHelp(QCommandLineParser& parser, const Verb& verb) {
    parser.setApplicationDescription(verb.description);
    QString help = parser.helpText();
    // The parser's own usage line names neither the verb nor its arguments.
    const qsizetype end = help.indexOf(u'\n');
    help = u"Usage: "_s + Program + u" [options] "_s + verb.name +
           (verb.synopsis.isEmpty() ? QString() : u' ' + verb.synopsis) + help.mid(end);
    return help;
}

const Verb* findVerb(const QString& name) {
    for (const Verb& verb : verbs()) {
        if (verb.name == name)
            return &verb;
    }
    return nullptr;
}

} // namespace

Exit usage(const QString& text) {
    return {UsageError, text + u"\nTry '"_s + Program + u" --help'."_s};
}

QString defaultDataFolder() {
    return data_folder::DefaultFolder();
}

QString absolutePath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

std::optional<Invocation> parseCommandLine(const QStringList& arguments) {
    // First the verb: every option is known, so an option's value is never
    // taken for it, wherever the options stand.
    QStringList all;
    for (const QCommandLineOption& option : verbOptions())
        all.append(option.names());
    QCommandLineParser first;
    first.addOptions(globalOptions());
    addOptions(first, all);
    if (!first.parse(arguments))
        throw usage(first.errorText());
    const QStringList positional = first.positionalArguments();
    if (positional.isEmpty()) {
        if (first.isSet(u"version"_s)) {
            printOut(Program + u' ' + settings_file::currentVersion());
            return std::nullopt;
        }
        QCommandLineParser help;
        help.addOptions(globalOptions());
        if (first.isSet(u"help"_s)) {
            printOut(programHelp(help));
            return std::nullopt;
        }
        throw usage(u"No verb given."_s);
    }
    const Verb* verb = findVerb(positional.first());
    if (!verb)
        throw usage(u"Unknown verb \""_s + positional.first() + u"\"."_s);

    // Then the verb's own options only.
    QCommandLineParser parser;
    parser.addOptions(globalOptions());
    addOptions(parser, verb->options);
    if (!parser.parse(arguments))
        throw usage(parser.errorText() + u" ("_s + verb->name + u")"_s);
    if (parser.isSet(u"help"_s)) {
        printOut(verbHelp(parser, *verb));
        return std::nullopt;
    }
    Invocation call;
    call.verb = verb;
    call.args = parser.positionalArguments().mid(1);
    const int answers = int(parser.isSet(u"yes"_s)) + int(parser.isSet(u"yes-to-all"_s)) +
                        int(parser.isSet(u"no"_s));
    if (answers > 1)
        throw usage(u"--yes, --yes-to-all and --no exclude each other."_s);
    call.global.answers = parser.isSet(u"yes"_s)          ? Answers::Yes
                          : parser.isSet(u"yes-to-all"_s) ? Answers::YesToAll
                          : parser.isSet(u"no"_s)         ? Answers::No
                                                          : Answers::Ask;
    call.global.quiet = parser.isSet(u"quiet"_s);
    const QString data = parser.value(u"data"_s);
    if (parser.isSet(u"data"_s) && data.isEmpty())
        throw usage(u"--data needs a folder."_s);
    call.global.dataDir = data.isEmpty() ? defaultDataFolder() : absolutePath(data);
    for (const QString& name : verb->options) {
        const QCommandLineOption* option = verbOption(name);
        if (option && parser.isSet(name))
            call.options.insert(name,
                                option->valueName().isEmpty() ? QString() : parser.value(name));
    }
    return call;
}

} // namespace cli
