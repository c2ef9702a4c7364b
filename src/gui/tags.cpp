#include "gui/tags.h"

#include "gui/content_page_rows.h"

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

std::optional<PopupItem> popupItemOf(PopupTag tag) {
    if (tag == PopupTag::MarkAsInstalled)
        return std::nullopt;
    const int value = static_cast<int>(tag);
    if (value <= 0)
        return std::nullopt;
    for (const catalogue::ContentKind kind : catalogue::AllKinds) {
        const ContentPageRow& row = contentPageRow(kind);
        for (const auto& [popup, side] :
             {std::pair{&row.notInstalledPopup, catalogue::ListSide::NotInstalled},
              std::pair{&row.installedPopup, catalogue::ListSide::Installed}}) {
            if (value / 10 == popup->tens)
                return PopupItem{kind, side, value % 10};
        }
    }
    return std::nullopt;
}

std::optional<UninstallRequest> uninstallRequestOf(PopupTag tag) {
    const std::optional<PopupItem> item = popupItemOf(tag);
    if (!item || item->side != catalogue::ListSide::Installed)
        return std::nullopt;
    switch (static_cast<InstalledCommand>(item->command)) {
    case InstalledCommand::Uninstall:
        return UninstallRequest{item->kind, false};
    case InstalledCommand::UninstallDelete:
        return UninstallRequest{item->kind, true};
    default:
        return std::nullopt;
    }
}

std::optional<std::pair<catalogue::ContentKind, catalogue::ListSide>> fileInfoListOf(PopupTag tag) {
    const std::optional<PopupItem> item = popupItemOf(tag);
    // Info is the first item of both popups.
    if (!item || item->command != static_cast<int>(PopupCommand::Info))
        return std::nullopt;
    return std::pair{item->kind, item->side};
}
