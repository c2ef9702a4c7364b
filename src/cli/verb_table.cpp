#include "cli/command_line.h"

using namespace Qt::Literals::StringLiterals;

namespace cli {

class Session;
struct Invocation;

// The verbs' run functions, written in the verbs_*.cpp file of their
// subject; this table is their only caller. Each returns an exit code
// (cli::ExitCode); a failure that ends it is thrown (cli::Exit,
// platform::Error).
int runConfig(Session& session, const Invocation& call);
int runUpdate(Session& session, const Invocation& call);
int runReport(Session& session, const Invocation& call);
int runList(Session& session, const Invocation& call);
int runInfo(Session& session, const Invocation& call);
int runInstall(Session& session, const Invocation& call);
int runUninstall(Session& session, const Invocation& call);
int runMarkInstalled(Session& session, const Invocation& call);
int runDelete(Session& session, const Invocation& call);
int runCreateZip(Session& session, const Invocation& call);
int runCache(Session& session, const Invocation& call);
int runUz2(Session& session, const Invocation& call);
int runRedirect(Session& session, const Invocation& call);
int runVerify(Session& session, const Invocation& call);
int runDeps(Session& session, const Invocation& call);
int runConflicts(Session& session, const Invocation& call);

namespace {

// The verbs, as --help lists them: a new verb is a row here, its run
// function declared above and written in a verbs_*.cpp (the man page and
// the completion follow; the cli_docs test holds them to this table).
const QList<Verb> VerbTable = {
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

} // namespace

const QList<Verb>& verbs() {
    return VerbTable;
}

} // namespace cli
