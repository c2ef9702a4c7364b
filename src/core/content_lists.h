#pragma once

#include "core/content_db.h"

#include <QList>
#include <QString>
#include <QStringList>

// The six content lists of the Maps, Mutators and Skins pages: what the
// loaders put in them and the two orders they can be kept in.

/// The two lists of the Maps page, in display order, and the status text.
/// When the file could not be read, `error` holds the message for the plain
/// message box, the lists hold what was added before and `status` is empty.
struct MapLists {
    QStringList installed;    ///< LBun
    QStringList notInstalled; ///< LBinst
    QString status;
    QString error;
};

/// The four lists of the Mutators and Skins pages.
struct ModLists {
    QStringList mutatorsInstalled; ///< LBunMuts
    QStringList mutators;          ///< LBMuts
    QStringList skinsInstalled;    ///< LBUnskin
    QStringList skins;             ///< LBSkin
    QString status;                ///< skin or mutator counts, as asked
    QString error;
};

MapLists LoadMapLists(const AppState& state, const QString& filterMask);
ModLists LoadModLists(const AppState& state, bool ForSkins);

/// Inserts `entry` at its name place (ignoring case), after equal entries.
void insertByName(QStringList& list, const QString& entry);

/// Date order of a map list: each entry keyed by the first record (file
/// order) whose ArchiveName (left list) or DisplayName (right list) equals
/// it, AddedDate or InstallDate + "@" + the name; entries without such a
/// record drop out. Newest date text first, equal dates Z to A.
QStringList mapListByDate(const QStringList& entries, const QList<TContentRecord>& records,
                          bool installedList);

/// Date order of the mutator (or skin) lists, built from all records:
/// not installed keyed by AddedDate, installed by InstallDate, each with
/// "@" + DisplayName; order as mapListByDate.
struct ModDateLists {
    QStringList notInstalled; ///< LBMuts / LBSkin
    QStringList installed;    ///< LBunMuts / LBUnskin
};
ModDateLists modListsByDate(const QList<TContentRecord>& records, bool ForSkins);

/// Name order: ignoring case, equal names keep their order.
QStringList byName(const QStringList& entries);
