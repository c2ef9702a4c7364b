#include "install/found_content.h"

#include "install/maintenance.h"
#include "platform/errors.h"

#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace install {

using catalogue::ContentKind;

QList<Adoptable> FoundInGame(CommandContext& ctx, const QStringList& recorded, bool all) {
    if (recorded.isEmpty() && !all)
        return {};
    VerifyReport report;
    try {
        report = VerifyInstallation(ctx);
    } catch (const platform::Error&) {
        // No game folder to look in: nothing can be there.
        return {};
    }
    if (all)
        return report.adoptable;
    const QSet<QString> fresh(recorded.begin(), recorded.end());
    QList<Adoptable> found;
    for (const Adoptable& a : std::as_const(report.adoptable)) {
        if (fresh.contains(a.archiveName))
            found.append(a);
    }
    return found;
}

QString foundInGameText(const QList<Adoptable>& found) {
    QStringList parts;
    for (const ContentKind page : catalogue::AllKinds) {
        const catalogue::KindDescriptor& w = catalogue::describe(page);
        const auto n = std::count_if(found.begin(), found.end(),
                                     [page](const Adoptable& a) { return a.page == page; });
        if (n > 0)
            parts.append(QString::number(n) + u' ' + (n == 1 ? w.one : w.many).toString());
    }
    QString counted = parts.value(0);
    for (qsizetype i = 1; i < parts.size(); ++i)
        counted += (i + 1 == parts.size() ? u" and "_s : u", "_s) + parts[i];
    const bool one = found.size() == 1;
    return counted + u" from your archive folders "_s + (one ? u"is"_s : u"are"_s) +
           u" already in the game. Mark "_s + (one ? u"it"_s : u"them"_s) + u" installed?"_s;
}

int AdoptFound(CommandContext& ctx, const QList<Adoptable>& entries) {
    int marked = 0;
    for (const ContentKind page : catalogue::AllKinds) {
        QList<catalogue::ListEntry> selected;
        for (const Adoptable& a : entries) {
            if (a.page == page)
                selected.append(a.entry);
        }
        if (!selected.isEmpty())
            marked += MarkRecordsInstalled(ctx, page, selected);
    }
    return marked;
}

} // namespace install
