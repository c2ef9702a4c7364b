#include "cli/content_names.h"

#include "cli/command_line.h"
#include "core/globals.h"

#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace cli {

using catalogue::ContentKind;
using catalogue::ListSide;

namespace {

/// One entry of a list, with what names it to the user.
struct Candidate {
    NamedEntry named;
    QString path;  ///< the archive
    int sameNames; ///< entries of this text in that list
};

QString sideWord(ListSide side) {
    return side == ListSide::Installed ? u"installed"_s : u"not installed"_s;
}

QString shownName(const Candidate& c) {
    return c.sameNames > 1
               ? c.named.entry.name + u'#' + QString::number(c.named.entry.occurrence + 1)
               : c.named.entry.name;
}

/// The entries of text `name` in the lists asked for.
QList<Candidate> entriesNamed(const QMap<ContentKind, QList<TContentRecord>>& records,
                              const QList<ContentKind>& kinds, const QList<ListSide>& sides,
                              const QString& name) {
    QList<Candidate> found;
    for (const ContentKind kind : kinds) {
        for (const ListSide side : sides) {
            QList<Candidate> here;
            for (const TContentRecord& r : records.value(kind)) {
                if (catalogue::isOnList(r, kind, side) &&
                    catalogue::listEntryOf(r, kind, side) == name)
                    here.append(
                        {{kind, side, {name, int(here.size())}}, catalogue::archivePathOf(r), 0});
            }
            for (Candidate& c : here)
                c.sameNames = int(here.size());
            found += here;
        }
    }
    return found;
}

/// What tells `found` apart, as the verb takes it: --kind where they are
/// on different pages, the name with "#N" (as each line shows it) where
/// one list shows it more than once. Nothing is offered that would not
/// pick one (the same page's installed and not-installed lists).
QString howToPick(const QList<Candidate>& found) {
    QList<ContentKind> kinds;
    bool numbered = false;
    QSet<QString> picks;
    for (const Candidate& c : found) {
        if (!kinds.contains(c.named.kind))
            kinds.append(c.named.kind);
        numbered = numbered || c.sameNames > 1;
    }
    for (const Candidate& c : found)
        picks.insert(kindWord(c.named.kind) + u' ' + shownName(c));
    if (picks.size() < found.size())
        return u":"_s;
    if (kinds.size() > 1 && numbered)
        return u"; name one as its line shows it, with --kind and the list's name (maps, "
               u"mutators or skins):"_s;
    if (kinds.size() > 1)
        return u"; name one with --kind and the list's name (maps, mutators or skins):"_s;
    return u"; name one as its line shows it (NAME#N):"_s;
}

} // namespace

QString kindWord(ContentKind kind) {
    return catalogue::describe(kind).many.toString();
}

std::optional<ContentKind> kindNamed(const QString& word) {
    for (const ContentKind kind : catalogue::AllKinds) {
        if (word == kindWord(kind))
            return kind;
    }
    return std::nullopt;
}

QList<ContentKind> kindsToSearch(const Invocation& call) {
    if (!call.isSet(u"kind"_s))
        return {catalogue::AllKinds.begin(), catalogue::AllKinds.end()};
    const std::optional<ContentKind> kind = kindNamed(call.value(u"kind"_s));
    if (!kind)
        throw usage(u"--kind takes maps, mutators or skins, not \""_s + call.value(u"kind"_s) +
                    u"\"."_s);
    return {*kind};
}

QList<TContentRecord> recordsOf(const AppState& state, ContentKind kind) {
    const QString path = catalogue::recordFile(state, kind);
    if (!QFileInfo::exists(path))
        return {};
    return content_db::ReadAll(path);
}

QList<NamedEntry> resolveNames(const AppState& state, const QStringList& names,
                               const QList<ContentKind>& kinds, const QList<ListSide>& sides) {
    QMap<ContentKind, QList<TContentRecord>> records;
    for (const ContentKind kind : kinds)
        records.insert(kind, recordsOf(state, kind));
    static const QRegularExpression numbered(u"^(.*)#([1-9][0-9]{0,5})$"_s);

    QList<NamedEntry> out;
    QStringList problems;
    QStringList seen;
    for (const QString& name : names) {
        if (seen.contains(name))
            continue;
        seen.append(name);
        QList<Candidate> found = entriesNamed(records, kinds, sides, name);
        // "NAME#N" only where no entry bears the whole text.
        if (found.isEmpty()) {
            const QRegularExpressionMatch m = numbered.match(name);
            if (m.hasMatch()) {
                const int occurrence = m.captured(2).toInt() - 1;
                const QList<Candidate> all = entriesNamed(records, kinds, sides, m.captured(1));
                for (const Candidate& c : all) {
                    if (c.named.entry.occurrence == occurrence)
                        found.append(c);
                }
            }
        }
        if (found.size() == 1) {
            out.append(found.first().named);
            continue;
        }
        if (found.isEmpty()) {
            problems.append(u"No entry \""_s + name + u"\" in the lists of "_s +
                            (sides.size() > 1 ? u"archives and installed content"_s
                             : sides.first() == ListSide::Installed ? u"installed content"_s
                                                                    : u"archives not installed"_s) +
                            u" (see \"quorvel-cli list\")."_s);
            continue;
        }
        QString text = u"\""_s + name + u"\" stands for more than one entry"_s + howToPick(found);
        for (const Candidate& c : std::as_const(found))
            text += u"\n  "_s + kindWord(c.named.kind) + u" ("_s + sideWord(c.named.side) +
                    u")\t"_s + shownName(c) + u'\t' + c.path;
        problems.append(text);
    }
    if (!problems.isEmpty())
        throw Exit{NotAllDone, problems.join(u'\n') + u"\nNothing was done."_s};
    return out;
}

QList<catalogue::ListEntry> entriesOfKind(const QList<NamedEntry>& named, ContentKind kind) {
    QList<catalogue::ListEntry> out;
    for (const NamedEntry& n : named) {
        if (n.kind == kind)
            out.append(n.entry);
    }
    return out;
}

} // namespace cli
