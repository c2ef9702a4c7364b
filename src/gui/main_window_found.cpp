// Content found already in the game when the scans record its archives:
// offered once for adoption through Verify's, never adopted unasked.
#include "gui/main_window.h"
#include "install/found_content.h"
#include "platform/dialogs.h"

using namespace Qt::Literals::StringLiterals;

void TForm1::offerFoundContent(const QStringList& recorded, bool all) {
    QList<install::Adoptable> found;
    if (!runCommand(CommandBoundary::Long, CommandBoundary::Reads,
                    [this, &recorded, all, &found] {
                        found = install::FoundInGame(context(), recorded, all);
                    }) ||
        found.isEmpty())
        return;
    // Asked outside any writer, so another Quorvel is not kept waiting for
    // the answer.
    bool yes = false;
    runCommand(CommandBoundary::Quick, CommandBoundary::Reads, [this, &found, &yes] {
        yes = dialogs_->message(platform::MsgKind::Confirmation, install::foundInGameText(found),
                                platform::Yes | platform::No, QPoint(50, 125)) == platform::Yes;
    });
    if (!yes)
        return;
    runCommand(CommandBoundary::Long, CommandBoundary::Writes, [this, &found] {
        const int marked = install::AdoptFound(context(), found);
        reloadShownLists();
        setStatus(u"  Marked "_s + QString::number(marked) + u" archive(s) as installed."_s);
    });
}
