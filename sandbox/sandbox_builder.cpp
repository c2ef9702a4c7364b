#include "sandbox_builder.h"

#include "core/app_core.h"
#include "core/content_db.h"
#include "core/lifecycle.h"
#include "core/settings_file.h"
#include "install/install.h"
#include "intake/database_update.h"
#include "intake/folder_search.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/status_sink.h"
#include "platform/text_file.h"
#include "sandbox_content.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace sandbox {

namespace {

const QString MarkName = u".quorvel-sandbox"_s;

/// Nobody is there to answer while a sandbox is made: every question is
/// answered No (or cancelled) and kept, and a build that was asked
/// anything fails, since a fresh sandbox should raise no question.
class NobodyAnswers : public platform::Dialogs {
public:
    QStringList asked;

    platform::Button message(platform::MsgKind, const QString& text, platform::Buttons buttons,
                             QPoint) override {
        asked.append(text);
        return (buttons & platform::No) ? platform::No : platform::Cancel;
    }
    void plainMessage(const QString& text) override { asked.append(text); }
    void errorMessage(const QString& text) override { asked.append(text); }
    std::optional<QString> inputText(const QString&, const QString& prompt,
                                     const QString&) override {
        asked.append(prompt);
        return std::nullopt;
    }
    QStringList openFiles(const QString& title, const QString&, const QString&) override {
        asked.append(title);
        return {};
    }
    QString saveFile(const QString& title, const QString&, const QString&,
                     const QString&) override {
        asked.append(title);
        return {};
    }
    QString chooseFolder(const QString& prompt, const QString&, bool) override {
        asked.append(prompt);
        return {};
    }
};

void writeSettingsFor(const SandboxLayout& at) {
    // Folders without sub-folders; extra files (readmes, pictures) are
    // installed so that the sample with a picture shows where they go.
    const QString path = at.root + u"/Quorvel.ini"_s;
    settings_file::writeSettings(path, u"UT2004"_s,
                                 {at.game, at.maps, at.skins, at.mutators, at.demos, u"No"_s,
                                  u"Ask me"_s, u"Yes"_s, QString()});
    // The look a first start chooses (theme 1, on); no window position, so
    // the desktop places the window.
    platform::writeLines(path, settings_file::readSettingsLines(path) +
                                   QStringList{u"1"_s, QString(), u"Yes"_s});
}

void install(CommandContext& ctx, catalogue::ContentKind kind, const QString& entry) {
    const install::InstallResult result = install::InstallArchives(ctx, kind, {entry}, false);
    if (!result.ok || !result.FailedArchives.isEmpty())
        throw platform::Error(u"Couldn't install the sample "_s + entry + u": "_s +
                              ctx.status.status().trimmed());
}

/// What a user's first start and two installs would leave: the records,
/// error.log naming the rejected sample, and one map, one mutator and one
/// skin in the game.
void firstRun(const SandboxLayout& at) {
    NobodyAnswers dialogs;
    platform::MemoryStatusSink status;
    AppCore core(dialogs, status);
    intake::TmFileScan fScan;
    AppState& s = core.state;
    s.ProgramDir = at.root;
    lifecycle::prepareTempDir(s);
    content_db::CreateMissingFiles(s);
    settings_file::AppliedSettings applied;
    settings_file::applySettings(s, settings_file::readSettingsLines(s.settingsPath()), applied);
    core.ZipMaster1.ExtrBaseDir = s.TempDir;
    core.dRar31.TargetDirectory = s.TempDir;
    s.StartingUp = false;

    core.beginCommand();
    platform::writeLines(s.errorLogPath(),
                         ScanConfiguredFolders(core.context(), fScan).ErrorLogLines);
    core.beginCommand();
    install(core.context(), catalogue::ContentKind::Maps, sampleNames().installedMap);
    core.beginCommand();
    install(core.context(), catalogue::ContentKind::Mutators, sampleNames().installedMutator);
    core.beginCommand();
    install(core.context(), catalogue::ContentKind::Skins, sampleNames().installedSkin);
    lifecycle::removeTempDir(s);
    if (!dialogs.asked.isEmpty())
        throw platform::Error(u"Making the sandbox raised a question: "_s +
                              dialogs.asked.join(u" | "_s));
}

} // namespace

bool isSandbox(const QString& root) {
    return QFileInfo(root + u'/' + MarkName).isFile();
}

void buildSandbox(const QString& root, const QString& converter) {
    const QDir dir(root);
    if (dir.exists() &&
        !dir.isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        throw platform::Error(root + u" is not empty; a sandbox is only made in a new folder."_s);
    if (!QDir().mkpath(root))
        throw platform::Error(u"Couldn't create the folder "_s + root);
    // Marked first, so that a build that fails half-way can be removed.
    platform::writeBytes(root + u'/' + MarkName,
                         "This folder is a Quorvel sandbox; scripts/run --demo --reset "
                         "deletes it.\n");
    const SandboxLayout at(QDir(root).absolutePath());
    writeContent(at, converter);
    writeSettingsFor(at);
    firstRun(at);
}

void removeSandbox(const QString& root) {
    if (!QFileInfo::exists(root))
        return;
    if (!isSandbox(root))
        throw platform::Error(root + u" is not a Quorvel sandbox; it is left alone."_s);
    // removeRecursively deletes links, never what they point to.
    if (!QDir(root).removeRecursively())
        throw platform::Error(u"Couldn't delete the sandbox "_s + root);
}

} // namespace sandbox
