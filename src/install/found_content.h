#pragma once

#include "core/command_context.h"
#include "install/verify.h"

#include <QList>
#include <QString>
#include <QStringList>

/// Content the folder scans have just recorded that the game already
/// holds: an existing game met by a first start, or an archive added of
/// something installed by hand. Found through the check of "Verify
/// installation" and adopted through its adoption, only on the user's
/// word. Each archive is offered once, when it is recorded.
namespace install {

/// The entries a check would offer to mark installed whose archives are
/// among `recorded` (the names the scans recorded anew), or all of them
/// when `all` (the first Save). Nothing is checked when `recorded` is
/// empty and `all` is false, nor without a game folder to look in.
QList<Adoptable> FoundInGame(CommandContext& ctx, const QStringList& recorded, bool all);

/// The question for `found`: "12 maps from your archive folders are
/// already in the game. Mark them installed?", mutators and skins named
/// after the maps.
QString foundInGameText(const QList<Adoptable>& found);

/// Marks `entries` installed as Verify's "Mark as installed" does, without
/// a question of its own (the caller has asked). Returns how many records
/// were marked.
int AdoptFound(CommandContext& ctx, const QList<Adoptable>& entries);

} // namespace install
