#pragma once

#include "core/content_catalogue.h"

#include <optional>

class QObject;

/// The Tag of a widget or action (0 when none was set): the window's popup
/// dispatch tells the items apart by it; lists, buttons and the other menu
/// items carry theirs as drawn.
int tagOf(const QObject* object);
void setTag(QObject* object, int tag);

/// The Tags of the six list popups' items and of the System menu's "Mark as
/// installed". The tens digit names the popup (none and 2: maps, 3 and 4:
/// mutators, 5 and 6: skins; the odd popups belong to the lists of content
/// not installed), the units digit the command.
enum class PopupTag {
    MarkAsInstalled = 0, ///< "Mark as installed" of popups 1, 3 and 5
    MapInfo = 1,
    MapInstall = 2,
    MapDelete = 3,
    InstalledMapInfo = 21,
    MapUninstall = 22,
    MapCreateZip = 23,
    MapUninstallDelete = 24,
    MutatorInfo = 31,
    MutatorInstall = 32,
    MutatorDelete = 33,
    InstalledMutatorInfo = 41,
    MutatorUninstall = 42,
    MutatorCreateZip = 43,
    MutatorUninstallDelete = 44,
    SkinInfo = 51,
    SkinInstall = 52,
    SkinDelete = 53,
    InstalledSkinInfo = 61,
    SkinUninstall = 62,
    SkinCreateZip = 63,
    SkinUninstallDelete = 64,
    SystemMarkAsInstalled = 75, ///< "Mark as installed" of the System menu
};

void setTag(QObject* object, PopupTag tag);
PopupTag popupTagOf(const QObject* object);

/// Tags of the content lists (left and right) and of the three
/// "Uninstall" buttons. The buttons' handlers know their page; the Tags
/// are kept as drawn.
namespace tags {
inline constexpr int NotInstalledList = 1;
inline constexpr int InstalledList = 2;
inline constexpr int UninstallMaps = 1;
inline constexpr int UninstallMutators = 2;
inline constexpr int UninstallSkins = 3;
} // namespace tags

/// The commands of a content list's popup: the units digit of their Tags.
/// The left list's popup has Info, Install and Delete (and "Mark as
/// installed", Tag 0 on every page); the right list's Info, Uninstall,
/// CreateZip and UninstallDelete.
enum class PopupCommand { Info = 1, Install = 2, Delete = 3 };
enum class InstalledCommand { Info = 1, Uninstall = 2, CreateZip = 3, UninstallDelete = 4 };

/// The page and list of a popup item, and its command (the units digit),
/// read through the pages' rows; none for a Tag of no list popup (and for
/// "Mark as installed", which acts on the page shown).
struct PopupItem {
    catalogue::ContentKind kind;
    catalogue::ListSide side;
    int command;
};
std::optional<PopupItem> popupItemOf(PopupTag tag);

/// What an uninstall item of a popup asks for.
struct UninstallRequest {
    catalogue::ContentKind kind;
    bool deleteArchives; ///< "Uninstall && Delete"
};

/// 22, 24: maps; 42, 44: mutators; 62, 64: skins; 24, 44 and 64 also
/// delete the archives. Any other Tag: nothing.
std::optional<UninstallRequest> uninstallRequestOf(PopupTag tag);

/// The list whose first selected entry a "File info" item shows; any other
/// Tag: nothing.
std::optional<std::pair<catalogue::ContentKind, catalogue::ListSide>> fileInfoListOf(PopupTag tag);
