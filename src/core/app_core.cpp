#include "core/app_core.h"

#include "platform/dialogs.h"
#include "platform/file_helpers.h"
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
    : ZipMaster1(&dialogs), dialogs_(dialogs), status_(status), trash_(orDefault(std::move(trash))),
      processes_(orDefault(std::move(processes))), context_{state,       dialogs_, status_,
                                                            ZipMaster1,  dRar31,   *trash_,
                                                            *processes_, folders_} {
    ZipMaster1.OnItemProgress = [this](const QString& item, qint64 size, int perCent) {
        ZipMaster1ItemProgress(item, size, perCent);
    };
    dRar31.OnFileAboutToBeListed = [this](const QString& n) { dRar31FileAboutToBeListed(n); };
    dRar31.OnFileAboutToBeExtracted = [this](const QString& n) {
        dRar31FileAboutToBeExtractedEX(n);
    };
    dRar31.OnReqPassword = [this] { return dRar31ReqPassword(); };
}

AppCore::~AppCore() = default;

void AppCore::ZipMaster1ItemProgress(const QString& item, qint64, int) {
    status_.setStatus(state.ProgressText + platform::fileNamePart(item));
}

void AppCore::dRar31FileAboutToBeListed(const QString& entryName) {
    state.ListBox1.append(entryName);
}

void AppCore::dRar31FileAboutToBeExtractedEX(const QString& entryName) {
    status_.setStatus(state.ProgressText + platform::fileNamePart(entryName));
}

std::optional<QString> AppCore::dRar31ReqPassword() {
    // A cancelled dialog answers the empty password.
    return dialogs_.inputText(dRar31.ArchiveFileName, u"Password needed"_s, QString())
        .value_or(QString());
}
