#pragma once

#include "core/content_catalogue.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct AppState;

/// The names quorvel-cli takes for content: what the pages' lists show,
/// found through the catalogue's list rules, so a name always means the
/// record the page's entry means.
namespace cli {

struct Invocation;

/// "maps", "mutators", "skins".
QString kindWord(catalogue::ContentKind kind);
/// The kind of a "maps", "mutators" or "skins" argument; nullopt else.
std::optional<catalogue::ContentKind> kindNamed(const QString& word);
/// The kinds a verb looks in: the one --kind names, else all three. A bad
/// --kind is a usage error.
QList<catalogue::ContentKind> kindsToSearch(const Invocation& call);

/// The records of a page's record file; none when the file is not there.
QList<TContentRecord> recordsOf(const AppState& state, catalogue::ContentKind kind);

/// A list entry a name stands for.
struct NamedEntry {
    catalogue::ContentKind kind;
    catalogue::ListSide side;
    catalogue::ListEntry entry;
};

/// The entries `names` stand for, in the order given (a name given twice
/// counts once), looked up in the lists `sides` of the pages `kinds`:
/// - a name is an entry's text as the list shows it, compared exactly;
/// - one found in more than one list, or more than once in one list, is
///   ambiguous; "NAME#N" picks the N-th entry of that text in list order
///   (equal names keep their record file order in every list order).
/// Every name must find exactly one entry: otherwise nothing is done, and
/// cli::Exit (NotAllDone) names each name not found and each ambiguous
/// one with its candidates.
QList<NamedEntry> resolveNames(const AppState& state, const QStringList& names,
                               const QList<catalogue::ContentKind>& kinds,
                               const QList<catalogue::ListSide>& sides);

/// The entries of one kind among `named`, in order.
QList<catalogue::ListEntry> entriesOfKind(const QList<NamedEntry>& named,
                                          catalogue::ContentKind kind);

} // namespace cli
