#include "cli/command_line.h"

#include "cli/verbs.h"
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

const QList<Verb>& verbs() {
    static const QList<Verb> table = {
        {u"config"_s,
         u"[KEY VALUE]"_s,
         u"Show the settings, or set one and save."_s,
         u"Without arguments: the nine settings of the Configure page, one \"key<TAB>value\" "
         u"line each: game-dir, map-dir, skin-dir, mutator-dir, demos-dir, subdirs (Yes, No), "
         u"overwrite (Always, Ask me), extra-files (Yes, No), additional-games (game types "
         u"separated by blanks). With KEY VALUE: sets one, saves Quorvel.ini and runs the "
         u"database update that follows a save. A game-dir whose System folder holds none of "
         u"UT2004.exe, ut2004-bin, ut2004-bin-linux-amd64, ucc-bin, ucc-bin-linux-amd64 is "
         u"warned of on standard error and saved all the same (--strict: refused)."_s,
         {u"strict"_s},
         runConfig},
        {u"update"_s,
         QString(),
         u"Update the database: scan the archive folders."_s,
         u"Scans the configured map, mutator and skin folders as System > Update database does, "
         u"prints each archive that cannot be used with its reason (also written to error.log) "
         u"and a summary."_s,
         {},
         runUpdate},
        {u"list"_s,
         u"maps|mutators|skins [--installed|--available] [--filter GAMETYPE] "
         u"[--match TEXT] [--by-date] [--json]"_s,
         u"List a page's archives and installed content."_s,
         u"The names the page's lists show, one per line: the archives not installed first, then "
         u"the installed content, each in name order (--by-date: newest first). These names are "
         u"what install, uninstall and the other verbs take. --match TEXT keeps the names that "
         u"hold TEXT, ignoring case, together with --filter. --json prints an array of objects "
         u"with name, archive, folder, installed, added, installDate and files."_s,
         {u"installed"_s, u"available"_s, u"filter"_s, u"match"_s, u"by-date"_s, u"json"_s},
         runList},
        {u"info"_s,
         u"NAME [--kind KIND] [--json]"_s,
         u"Show the File info of an entry."_s,
         u"The rows of File info for the entry NAME of either list and the files its archive "
         u"holds."_s,
         {u"kind"_s, u"json"_s},
         runInfo},
        {u"install"_s,
         u"NAME... [--kind KIND]"_s,
         u"Install archives not installed yet."_s,
         u"Installs the archives NAME (as list shows them among the archives not installed) into "
         u"the game, as the page's Install does. A NAME in more than one list is refused unless "
         u"--kind picks one; a name listed more than once in one list is picked as NAME#2, "
         u"NAME#3 (in list order)."_s,
         {u"kind"_s},
         runInstall},
        {u"uninstall"_s,
         u"NAME... [--kind KIND]"_s,
         u"Uninstall installed content."_s,
         u"Uninstalls the installed content NAME (as list shows it among the installed), "
         u"keeping the files another installed archive still uses."_s,
         {u"kind"_s},
         runUninstall},
        {u"mark-installed"_s,
         u"NAME... [--kind KIND]"_s,
         u"Mark archives installed without installing them."_s,
         u"Marks the archives NAME installed today without copying a file, as \"Mark as "
         u"installed\" does; it asks first."_s,
         {u"kind"_s},
         runMarkInstalled},
        {u"delete"_s,
         u"NAME... [--kind KIND]"_s,
         u"Move archives not installed to the trash."_s,
         u"Moves the archives NAME (not installed) to the trash and updates the database, as "
         u"the popup's Delete does."_s,
         {u"kind"_s},
         runDelete},
        {u"create-zip"_s,
         u"NAME... --to DIR [--kind KIND]"_s,
         u"Zip the installed files of installed content."_s,
         u"Packs the game files of each installed NAME into DIR/NAME.zip, as Create Zip does."_s,
         {u"to"_s, u"kind"_s},
         runCreateZip},
        {u"report"_s,
         u"brief|detailed|full FILE"_s,
         u"Write a list of the content."_s,
         u"Writes the brief, detailed or full list to FILE, as System > Make List does."_s,
         {},
         runReport},
        {u"cache"_s,
         u"list [--maps] | install KEY... [--zip-to DIR | --zip-only DIR] | "
         u"delete KEY... | clear"_s,
         u"The game's download cache."_s,
         u"list: the packages of the game's cache under their file names. install: takes the "
         u"packages (by file name as listed, or by their cache.ini key) out of the cache with "
         u"the packages they import and installs them; --zip-to also saves each as a zip in DIR, "
         u"--zip-only only saves the zips. delete: deletes them from the cache. clear: empties "
         u"the cache."_s,
         {u"maps"_s, u"zip-to"_s, u"zip-only"_s},
         runCache},
        {u"uz2"_s,
         u"compress|decompress FILE... [--to DIR]"_s,
         u"Compress files to .uz2 or decompress them."_s,
         u"Converts each FILE with the game's tool when its System folder has one, else with "
         u"Quorvel's own codec, as the .uz2 page does. The output goes beside each FILE, or into "
         u"DIR with --to."_s,
         {u"to"_s},
         runUz2},
        {u"redirect"_s,
         u"DIR [--prune] [--jobs N]"_s,
         u"Fill a redirect folder with .uz2 files of the installed content."_s,
         u"Writes into DIR a .uz2 of every map and package the installed maps, mutators and "
         u"skins placed in the game, for a server's clients to download; files unchanged since "
         u"the last run are left as they are. --prune also removes the .uz2 files an earlier "
         u"run wrote whose source is gone (never a file put there by hand). Prints each file "
         u"compressed, pruned or failed, and the counts."_s,
         {u"prune"_s, u"jobs"_s},
         runRedirect},
        {u"verify"_s,
         u"[--json] | --repair-counts | --adopt NAME... | --reinstall NAME... | "
         u"--mark-not-installed NAME... | --put-back-originals [FILE...]"_s,
         u"Check the records and shared counts against the game folders."_s,
         u"Lists, as System > Verify installation does, installed content with files missing "
         u"(\"missing\" lines), counts of sharedfiles.dat that disagree with the records "
         u"(\"count\" lines) and content found installed by hand (\"adopt\" lines), then a "
         u"summary; changes nothing. Exits 1 when anything disagrees. --repair-counts sets the "
         u"counts as Repair counts does; --adopt marks the content NAME (as the adopt lines name "
         u"it) installed, as Mark as installed does (it asks first); --reinstall uninstalls the "
         u"content NAME with files missing and installs its archive again, as Reinstall does; "
         u"--mark-not-installed marks it not installed and releases its counts, deleting "
         u"nothing. \"original\" lines name the game's own files an install overwrote, kept "
         u"in the data folder, that no installed archive needs any more; "
         u"--put-back-originals puts them (or the files FILE named by their full paths) back "
         u"into the game. Each then checks again."_s,
         {u"json"_s, u"repair-counts"_s, u"adopt"_s, u"reinstall"_s, u"mark-not-installed"_s,
          u"put-back-originals"_s},
         runVerify},
        {u"deps"_s,
         u"NAME [--kind KIND] [--json]"_s,
         u"Show the packages an entry needs that are not installed."_s,
         u"Reads the import tables of the package files of the entry NAME (of either list): "
         u"from the game folders when it is installed, else from its archive. Prints a "
         u"\"needs\" line for each imported package found neither in the archive nor in the "
         u"game folders (by name, any package extension, ignoring case), an \"unreadable\" line "
         u"for each package file that cannot be read, then the Needs line of File info. "
         u"Exits 1 when anything is missing or unreadable."_s,
         {u"kind"_s, u"json"_s},
         runDeps},
        {u"conflicts"_s,
         u"[--json]"_s,
         u"Show the game files listed by more than one installed archive."_s,
         u"One line per game file that more than one installed record lists: the file, the "
         u"records (as the installed lists show them) and \"the game had it before\" when an "
         u"install found it in the game already; then a count. These are the files an "
         u"uninstall keeps while another archive still lists them."_s,
         {u"json"_s},
         runConflicts},
    };
    return table;
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
