#include "core/record_guard.h"

#include "core/content_kinds.h"
#include "core/shared_files.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"
#include "platform/text_file.h"

#include <QFileInfo>

#include <utility>

using namespace Qt::Literals::StringLiterals;

QList<RecordDamage> RecordFileGuard::check(const AppState& state, int contentRecordSize,
                                           const std::function<void()>& beforeRepair) {
    QList<std::pair<QString, int>> files;
    for (const QString& path : catalogue::recordFiles(state))
        files.append({path, contentRecordSize});
    files.append({state.sharedDataPath(), catalogue::SharedFiles::RecordSize});
    QList<RecordDamage> found;
    bool repairing = false;
    for (const auto& [path, recordSize] : files) {
        QFileInfo before(path);
        if (!before.isFile())
            continue;
        Stamp now{before.size(), before.lastModified(), recordSize};
        if (seen_.value(path) == now)
            continue;
        content_db::FileReading reading;
        try {
            reading = content_db::InspectFile(path, recordSize);
        } catch (const platform::Error&) {
            continue;
        }
        if (reading.damaged() && beforeRepair && !repairing) {
            // Past a refusal nothing is written, and the file is looked at
            // again by the next command.
            beforeRepair();
            repairing = true;
            before = QFileInfo(path);
            now = Stamp{before.size(), before.lastModified(), recordSize};
            try {
                reading = content_db::InspectFile(path, recordSize);
            } catch (const platform::Error&) {
                continue;
            }
        }
        if (reading.damaged()) {
            RecordDamage damage{path, path + u".damaged"_s, true, reading};
            // The first copy of a run holds the file as the user had it; a
            // later damage in the same run must not replace it.
            const QString whatToDo = u"\r\rMake room on the disk or let Quorvel write to its "
                                     u"folder, then try again."_s;
            if (!copied_.contains(path)) {
                try {
                    platform::writeFileAtomically(damage.copyPath, platform::readBytes(path));
                } catch (const platform::Error& e) {
                    throw platform::Error(u"The record file %1 is damaged, and no copy of it "
                                          u"could be kept as %2. Nothing was changed.\r\r"_s.arg(
                                              path, damage.copyPath) +
                                          e.text() + whatToDo);
                }
                copied_.insert(path, now);
            }
            damage.copyHoldsIt = copied_.value(path) == now;
            try {
                platform::writeFileAtomically(path, content_db::CleanRecordBytes(path, recordSize));
            } catch (const platform::Error& e) {
                throw platform::Error(u"The record file %1 is damaged; a copy is kept as %2, but "
                                      u"the file could not be rewritten with its sound "
                                      u"records.\r\r"_s.arg(path, damage.copyPath) +
                                      e.text() + whatToDo);
            }
            found.append(damage);
        }
        const QFileInfo after(path);
        seen_.insert(path, Stamp{after.size(), after.lastModified(), recordSize});
    }
    return found;
}

QString recordDamageText(const RecordDamage& damage) {
    const content_db::FileReading& r = damage.reading;
    QString text =
        u"The record file %1 was damaged. It now holds only its sound records.\r\r"_s.arg(
            damage.path) +
        u"Whole records kept: %1\r"_s.arg(r.cleanRecords) +
        u"Records dropped for impossible values: %1\r"_s.arg(r.droppedRecords) +
        u"Bytes of a torn last record dropped: %1\r\r"_s.arg(r.tornBytes);
    if (damage.copyHoldsIt)
        text += u"The file as it was is kept as %1.\r\r"_s.arg(damage.copyPath);
    else
        text += u"The copy kept earlier in this run, %1, stays as it was; what was dropped "
                u"now is not in it.\r\r"_s.arg(damage.copyPath);
    if (QFileInfo(damage.path).fileName() == u"sharedfiles.dat"_s)
        text += u"Nothing needs doing now: an uninstall still keeps a game file that another "
                u"installed archive lists; only the dropped counts are lost."_s;
    else
        text += u"Choose \"Update database\" in the System menu to list the archives in your "
                u"folders again, and \"Mark as installed\" for an installed one that is now "
                u"listed as not installed."_s;
    return text;
}
