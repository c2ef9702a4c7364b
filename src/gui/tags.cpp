#include "gui/tags.h"

#include <QObject>
#include <QVariant>

int tagOf(const QObject* object) {
    return object ? object->property("Tag").toInt() : 0;
}

void setTag(QObject* object, int tag) {
    object->setProperty("Tag", tag);
}

void setTag(QObject* object, PopupTag tag) {
    setTag(object, static_cast<int>(tag));
}

PopupTag popupTagOf(const QObject* object) {
    return static_cast<PopupTag>(tagOf(object));
}

std::optional<UninstallRequest> uninstallRequestOf(PopupTag tag) {
    using catalogue::ContentKind;
    switch (tag) {
    case PopupTag::MapUninstall:
        return UninstallRequest{ContentKind::Maps, false};
    case PopupTag::MapUninstallDelete:
        return UninstallRequest{ContentKind::Maps, true};
    case PopupTag::MutatorUninstall:
        return UninstallRequest{ContentKind::Mutators, false};
    case PopupTag::MutatorUninstallDelete:
        return UninstallRequest{ContentKind::Mutators, true};
    case PopupTag::SkinUninstall:
        return UninstallRequest{ContentKind::Skins, false};
    case PopupTag::SkinUninstallDelete:
        return UninstallRequest{ContentKind::Skins, true};
    default:
        return std::nullopt;
    }
}

std::optional<std::pair<catalogue::ContentKind, catalogue::ListSide>> fileInfoListOf(PopupTag tag) {
    using catalogue::ContentKind;
    using catalogue::ListSide;
    switch (tag) {
    case PopupTag::MapInfo:
        return std::pair{ContentKind::Maps, ListSide::NotInstalled};
    case PopupTag::InstalledMapInfo:
        return std::pair{ContentKind::Maps, ListSide::Installed};
    case PopupTag::MutatorInfo:
        return std::pair{ContentKind::Mutators, ListSide::NotInstalled};
    case PopupTag::InstalledMutatorInfo:
        return std::pair{ContentKind::Mutators, ListSide::Installed};
    case PopupTag::SkinInfo:
        return std::pair{ContentKind::Skins, ListSide::NotInstalled};
    case PopupTag::InstalledSkinInfo:
        return std::pair{ContentKind::Skins, ListSide::Installed};
    default:
        return std::nullopt;
    }
}
