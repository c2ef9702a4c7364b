#include "core/app_core.h"

#include "archive/rar_backend.h"
#include "archive/zip_backend.h"

#include "platform/dialogs.h"
#include "platform/process.h"
#include "platform/status_sink.h"
#include "platform/trash.h"

using namespace Qt::Literals::StringLiterals;

namespace {
template <typename T> std::unique_ptr<T> orDefault(std::unique_ptr<T> given) {
    return given ? std::move(given) : std::make_unique<T>();
}
} // namespace

AppCore::AppCore(platform::Dialogs& dialogs, platform::StatusSink& status,
                 std::unique_ptr<platform::Trash> trash,
                 std::unique_ptr<platform::Processes> processes)
    : backends(&dialogs), ZipMaster1(backends.backend<archives::ZipArchiveBackend>().component()),
      dRar31(backends.backend<archives::RarArchiveBackend>().component()), dialogs_(dialogs),
      status_(status), trash_(orDefault(std::move(trash))),
      processes_(orDefault(std::move(processes))), context_{state,   dialogs_,    status_, backends,
                                                            *trash_, *processes_, folders_} {}

AppCore::~AppCore() = default;

void AppCore::checkRecordFiles(int contentRecordSize) {
    const QList<RecordDamage> found =
        recordGuard.check(state, contentRecordSize, context_.beforeWriting);
    for (const RecordDamage& damage : found)
        dialogs_.message(platform::MsgKind::Error, recordDamageText(damage), platform::Ok,
                         QPoint(50, 100));
}
