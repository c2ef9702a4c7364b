#include "cli/content_names.h"
#include "cli/session.h"
#include "cli/verbs.h"
#include "install/verify.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace cli {

namespace {

/// An entry as the command line names it: NAME, or NAME#2 for the second
/// of equal names in one list.
QString entryName(const catalogue::ListEntry& entry) {
    return entry.occurrence > 0 ? entry.name + u'#' + QString::number(entry.occurrence + 1)
                                : entry.name;
}

/// One tab-separated line per finding, a word first saying which list it
/// belongs to, so that a script can pick the lines it wants.
void printReport(const install::VerifyReport& report) {
    for (const install::MissingFiles& m : report.missing)
        printOut(u"missing\t"_s + kindWord(m.page) + u'\t' + entryName(m.entry) + u'\t' +
                 m.missing.join(u", "_s) + (m.canReinstall() ? QString() : u"\t(archive gone)"_s));
    for (const install::CountDrift& c : report.counts)
        printOut(u"count\t"_s + c.fileName + u"\tcount "_s + QString::number(c.count) +
                 u"\tusers "_s + QString::number(c.users) + u'\t' +
                 install::problemText(c.problem) + u"\trepair to "_s + QString::number(c.repaired));
    for (const install::Adoptable& a : report.adoptable)
        printOut(u"adopt\t"_s + kindWord(a.page) + u'\t' + entryName(a.entry) + u'\t' +
                 a.files.join(u", "_s));
    printOut(install::summaryText(report).trimmed());
}

QJsonObject reportJson(const install::VerifyReport& report) {
    QJsonArray missing;
    for (const install::MissingFiles& m : report.missing)
        missing.append(QJsonObject{{u"name"_s, entryName(m.entry)},
                                   {u"kind"_s, kindWord(m.page)},
                                   {u"archive"_s, m.archiveName},
                                   {u"canReinstall"_s, m.canReinstall()},
                                   {u"missing"_s, QJsonArray::fromStringList(m.missing)}});
    QJsonArray counts;
    for (const install::CountDrift& c : report.counts)
        counts.append(QJsonObject{{u"file"_s, c.fileName},
                                  {u"count"_s, c.count},
                                  {u"users"_s, c.users},
                                  {u"problem"_s, install::problemText(c.problem)},
                                  {u"repaired"_s, c.repaired}});
    QJsonArray adoptable;
    for (const install::Adoptable& a : report.adoptable)
        adoptable.append(QJsonObject{{u"name"_s, entryName(a.entry)},
                                     {u"kind"_s, kindWord(a.page)},
                                     {u"archive"_s, a.archiveName},
                                     {u"files"_s, QJsonArray::fromStringList(a.files)}});
    return QJsonObject{{u"agrees"_s, report.agrees()},
                       {u"installedRecords"_s, report.installedRecords},
                       {u"filesLooked"_s, report.filesLooked},
                       {u"missing"_s, missing},
                       {u"counts"_s, counts},
                       {u"adoptable"_s, adoptable}};
}

} // namespace

int runVerify(Session& session, const Invocation& call) {
    const bool repair = call.isSet(u"repair-counts"_s);
    const bool adopt = call.isSet(u"adopt"_s);
    if (repair && adopt)
        throw usage(u"--repair-counts and --adopt exclude each other."_s);
    if (adopt && call.args.isEmpty())
        throw usage(u"verify --adopt needs at least one NAME."_s);
    if (!adopt && !call.args.isEmpty())
        throw usage(u"verify takes a NAME only with --adopt."_s);

    int code = Done;
    if (repair || adopt) {
        session.openForWriting();
        CommandContext& ctx = session.ctx();
        if (repair) {
            const int changed = install::RepairCounts(ctx);
            printOut(u"Counts repaired: "_s + QString::number(changed));
        } else {
            const install::VerifyReport before = install::VerifyInstallation(ctx);
            const QList<install::Adoptable> chosen = install::adoptableNamed(before, call.args);
            // A name that is not offered is said, and the others still go.
            for (const QString& name : call.args) {
                const bool found =
                    std::any_of(chosen.begin(), chosen.end(), [&](const install::Adoptable& a) {
                        return entryName(a.entry).compare(name, Qt::CaseInsensitive) == 0 ||
                               a.entry.name.compare(name, Qt::CaseInsensitive) == 0 ||
                               a.archiveName.compare(name, Qt::CaseInsensitive) == 0;
                    });
                if (!found) {
                    printErr(u"\""_s + name +
                             u"\" is not among the content found installed by hand."_s);
                    code = NotAllDone;
                }
            }
            if (!chosen.isEmpty() && !install::AdoptContent(ctx, chosen))
                code = NotAllDone;
        }
    } else {
        session.openForReading();
    }

    // What the folders and records say now.
    const install::VerifyReport report = install::VerifyInstallation(session.ctx());
    if (call.isSet(u"json"_s)) {
        const QJsonDocument doc(reportJson(report));
        printOut(QString::fromUtf8(doc.toJson(QJsonDocument::Indented)).trimmed());
    } else {
        printReport(report);
    }
    if (!report.agrees())
        code = NotAllDone;
    return code;
}

} // namespace cli
