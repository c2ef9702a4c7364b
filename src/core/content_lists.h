#pragma once

#include "core/content_db.h"
#include "core/content_kinds.h"

#include <QList>
#include <QString>
#include <QStringList>

// The two content lists of each content page: what the loader puts in
// them and the two orders they can be kept in.

/// The two lists of one content page, in display order, and the status
/// text. When the record file could not be read, `error` holds the message
/// for the plain message box, the lists are empty and `status` is empty.
struct KindLists {
    catalogue::ContentKind kind = catalogue::ContentKind::Maps;
    QStringList installed;    ///< the right list: LBun, LBunMuts, LBUnskin
    QStringList notInstalled; ///< the left list: LBinst, LBMuts, LBSkin
    QString status;           ///< this page's counts
    QString error;
};

/// The lists of `kind` from its record file. `filterMask` narrows the lists
/// of a kind whose page has a filter to names whose prefix before the first
/// "-" equals it ignoring case; "All" (any case) shows everything.
KindLists LoadKindLists(const AppState& state, catalogue::ContentKind kind,
                        const QString& filterMask);

/// The lists of every kind kept in `kind`'s record file, from one read, in
/// page order (Mutators and Skins share somdata.dat and show theirs
/// together). The mask applies as LoadKindLists says.
QList<KindLists> LoadSharingLists(const AppState& state, catalogue::ContentKind kind,
                                  const QString& filterMask);

/// Inserts `entry` at its name place (ignoring case), after equal entries.
void insertByName(QStringList& list, const QString& entry);

/// Date order of the entries of a filtered list: each entry keyed by the
/// first record (file order) whose list entry on that side equals it,
/// AddedDate or InstallDate + "@" + the name; entries without such a record
/// drop out. Newest date text first, equal dates Z to A.
QStringList listByDate(catalogue::ContentKind kind, const QStringList& entries,
                       const QList<TContentRecord>& records, bool installedList);

/// Date order of an unfiltered kind's lists, built from all records: not
/// installed keyed by AddedDate, installed by InstallDate, each with "@" +
/// the entry; order as listByDate.
struct DateLists {
    QStringList notInstalled;
    QStringList installed;
};
DateLists listsFromRecordsByDate(catalogue::ContentKind kind, const QList<TContentRecord>& records);

/// Both lists of `kind` in date order: a filtered kind's from the entries
/// `shown` (so the filter holds), any other's from all records.
DateLists kindListsByDate(catalogue::ContentKind kind, const DateLists& shown,
                          const QList<TContentRecord>& records);

/// Name order: ignoring case, equal names keep their order.
QStringList byName(const QStringList& entries);
