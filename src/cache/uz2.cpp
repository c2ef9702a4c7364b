#include "cache/uz2.h"

#include "cache/uz2_codec.h"
#include "core/keep_painted.h"
#include "core/temp_folder.h"
#include "install/placement.h"
#include "platform/atomic_file.h"
#include "platform/dialogs.h"
#include "platform/file_helpers.h"
#include "platform/game_programs.h"
#include "platform/process.h"
#include "platform/status_sink.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace cache {

namespace {

const QPoint MessageOffset(50, 125);
const QString OwnCodecNote = u" with Quorvel's own codec"_s;

QString folderOf(const QString& path) {
    return QFileInfo(path).absolutePath();
}

QString errorText(const QString& word, bool withStop) {
    return u"An error occured while "_s + word + u"ing files"_s + (withStop ? u"."_s : QString());
}

/// True for a Windows program ("MZ" header), which Linux does not start by
/// itself: the UCC.exe of a Windows copy of the game run through Proton.
bool isWindowsProgram(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(2) == "MZ";
}

/// The game's tool when SystemDir has one that can be run. Without one the
/// codec does the same work, so nothing is lost by passing over a file that
/// could only fail to start.
QString usableTool(const QString& systemDir) {
    const QString tool = platform::findGameTool(systemDir);
    if (tool.isEmpty() || !QFileInfo(tool).isExecutable() || isWindowsProgram(tool))
        return {};
    return tool;
}

/// Hides the progress bar on every way out of a run.
struct ProgressReset {
    platform::StatusSink& status;
    ~ProgressReset() { status.setProgress(0, 0); }
};

/// How one file went.
struct FileOutcome {
    enum Kind { Ok, Failed, Skipped, NotStarted } kind = Failed;
    QString reason;
};

FileOutcome runTool(CommandContext& ctx, const QString& tool, const QString& word,
                    const QString& path) {
    const platform::ProcessEnd end =
        ctx.processes.runAndWait(tool, {word, path}, ctx.state.SystemDir);
    switch (end.how) {
    case platform::ProcessEnd::How::NotStarted:
        return {FileOutcome::NotStarted, {}};
    case platform::ProcessEnd::How::Crashed:
        // One file that makes the tool crash does not stop the others.
        return {FileOutcome::Failed, u"The game's tool crashed on this file."_s};
    case platform::ProcessEnd::How::Exited:
        break;
    }
    if (end.exitCode != 0)
        return {FileOutcome::Failed,
                u"The game's tool ended with exit code %1."_s.arg(end.exitCode)};
    return {FileOutcome::Ok, {}};
}

/// Where the output of `path` goes: beside it, or in `outputFolder` when
/// one is given. Empty when the file has no such output.
QString outputFor(const QString& path, bool compress, const QString& outputFolder) {
    const QString beside = uz2OutputName(path, compress);
    if (beside.isEmpty() || outputFolder.isEmpty())
        return beside;
    return platform::withSlash(outputFolder) + QFileInfo(beside).fileName();
}

/// The file the output is to be written as: `output`, or the existing file
/// of its name ignoring case once the user agreed to replace it; nullopt
/// when the user kept the existing one. The game finds files ignoring
/// case: an output that differs from an existing file only in case would
/// stand beside it as a second copy.
std::optional<QString> replaceableOutput(CommandContext& ctx, const QString& output) {
    const QString existing =
        platform::resolveIgnoringCase(folderOf(output), QFileInfo(output).fileName());
    const QFileInfo existingInfo(existing);
    if (!existingInfo.exists() && !existingInfo.isSymLink())
        return output;
    const platform::Button answer =
        ctx.dialogs.message(platform::MsgKind::Confirmation,
                            existing + u" already exists.\r\rDo you want to replace it?"_s,
                            platform::Yes | platform::No, MessageOffset);
    if (answer != platform::Yes)
        return std::nullopt;
    return existing;
}

/// Moves what the game's tool wrote beside its input to `target`: renamed
/// when both lie on one file system, else copied through a temporary file
/// and then deleted, so `target` is never half-written.
QString moveOutput(const QString& from, const QString& target) {
    if (platform::renameReplacing(from, target))
        return {};
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return in.errorString();
    try {
        platform::AtomicFile out(target);
        out.openForWriting();
        while (!in.atEnd()) {
            const QByteArray chunk = in.read(1 << 20);
            if (chunk.isEmpty() && in.error() != QFileDevice::NoError)
                return in.errorString();
            out.writeAll(chunk);
        }
        out.commit();
    } catch (const platform::Error& e) {
        return e.text();
    }
    in.close();
    QFile::remove(from);
    return {};
}

/// With an output folder, the tool's output (written beside the input) is
/// moved there.
FileOutcome placeToolOutput(CommandContext& ctx, Uz2Action action, const QString& path,
                            const QString& outputFolder) {
    const bool compress = action == Uz2Action::Compress;
    const QString produced = uz2OutputName(path, compress);
    const QString output = outputFor(path, compress, outputFolder);
    if (output.isEmpty() ||
        QFileInfo(produced).absoluteFilePath() == QFileInfo(output).absoluteFilePath())
        return {FileOutcome::Ok, {}};
    if (!QFileInfo(produced).isFile())
        return {FileOutcome::Failed, u"The game's tool wrote no %1."_s.arg(produced)};
    const std::optional<QString> target = replaceableOutput(ctx, output);
    if (!target)
        return {FileOutcome::Skipped,
                u"%1 already exists and was kept; the output stays as %2."_s.arg(output, produced)};
    if (const QString failure = moveOutput(produced, *target); !failure.isEmpty())
        return {FileOutcome::Failed,
                u"%1 could not be moved to %2: %3"_s.arg(produced, *target, failure)};
    return {FileOutcome::Ok, {}};
}

FileOutcome runCodec(CommandContext& ctx, Uz2Action action, const QString& path,
                     const QString& outputFolder) {
    if (action == Uz2Action::None)
        return {FileOutcome::Failed, u"No action was chosen."_s};
    const bool compress = action == Uz2Action::Compress;
    const QString output = outputFor(path, compress, outputFolder);
    if (output.isEmpty())
        return {FileOutcome::Failed, u"\"%1\" is not a .uz2 file."_s.arg(path)};
    const std::optional<QString> target = replaceableOutput(ctx, output);
    if (!target)
        return {FileOutcome::Skipped, u"%1 already exists and was kept."_s.arg(output)};
    // The window stays alive while a large file is converted.
    const Uz2Progress progress = [painted = KeepPainted()](qint64, qint64) mutable {
        painted();
        return true;
    };
    const Uz2Result result =
        compress ? compressUz2(path, *target, progress) : decompressUz2(path, *target, progress);
    if (!result.ok)
        return {FileOutcome::Failed, result.error};
    return {FileOutcome::Ok, {}};
}

} // namespace

Uz2Action uz2ActionAt(int index) {
    switch (index) {
    case 0:
        return Uz2Action::Decompress;
    case 1:
        return Uz2Action::Compress;
    default:
        return Uz2Action::None;
    }
}

QString uz2CommandWord(Uz2Action action) {
    switch (action) {
    case Uz2Action::Decompress:
        return u"Decompress "_s;
    case Uz2Action::Compress:
        return u"Compress "_s;
    case Uz2Action::None:
        break;
    }
    return {};
}

QString uz2OpenFilter(Uz2Action action) {
    switch (action) {
    case Uz2Action::Decompress:
        return u"UT2004 compressed files(*.uz2)"_s;
    case Uz2Action::Compress:
        // "*" rather than "*.*": names without a dot are files too.
        return u"All files(*)"_s;
    case Uz2Action::None:
        break;
    }
    return {};
}

QString uz2SelectionText(qsizetype count, Uz2Action action) {
    const QString what = action == Uz2Action::Decompress ? u"decompressed. Hit Go to start."_s
                                                         : u"compressed. Hit Go to start."_s;
    return u"  "_s + QString::number(count) + u" files selected to be "_s + what;
}

std::optional<QStringList> chooseUz2Files(CommandContext& ctx, Uz2Action action,
                                          const QString& filter) {
    const QStringList chosen = ctx.dialogs.openFiles(u"Open"_s, ctx.state.LastUz2Dir, filter);
    if (chosen.isEmpty())
        return std::nullopt;
    ctx.state.LastUz2Dir = folderOf(chosen.first());
    ctx.state.ListBox3 = chosen;
    QStringList names;
    for (const QString& path : chosen)
        names.append(platform::fileNamePart(path));
    ctx.status.setStatus(uz2SelectionText(chosen.size(), action));
    return names;
}

std::optional<Uz2Drop> dropUz2Files(CommandContext& ctx, const QStringList& paths) {
    if (paths.isEmpty())
        return std::nullopt;
    // Paths are kept whole: a path cut to a length limit names another file.
    ctx.state.ListBox3 = paths;
    Uz2Drop drop;
    ctx.state.LastUz2Dir = folderOf(paths.first());
    for (const QString& path : paths)
        drop.names.append(platform::fileNamePart(path));
    drop.action = hasUz2Extension(platform::fileNamePart(paths.first())) ? Uz2Action::Decompress
                                                                         : Uz2Action::Compress;
    ctx.status.setStatus(uz2SelectionText(paths.size(), drop.action));
    return drop;
}

bool checkUz2Selection(CommandContext& ctx) {
    if (!ctx.state.ListBox3.isEmpty())
        return true;
    ctx.dialogs.message(platform::MsgKind::Error, u"No file(s) selected "_s, platform::Ok,
                        QPoint(150, 125));
    return false;
}

Uz2Run runUz2(CommandContext& ctx, Uz2Action action, bool deleteInputs, const QStringList& lines,
              const Uz2LineMarked& marked, const QString& outputFolder) {
    Uz2Run run;
    const QString word = uz2CommandWord(action).trimmed();
    run.commandWord = word;
    // A copy: the list the run walks cannot change under it.
    const QStringList files = ctx.state.ListBox3;
    run.lines = lines.mid(0, files.size());
    for (qsizetype i = run.lines.size(); i < files.size(); ++i)
        run.lines.append(platform::fileNamePart(files[i]));
    run.reasons = QStringList(files.size(), QString());
    const QString tool = usableTool(ctx.state.SystemDir);
    run.builtIn = tool.isEmpty();
    const QString note = run.builtIn ? OwnCodecNote : QString();
    ProgressReset progressReset{ctx.status};

    auto mark = [&](qsizetype i, QStringView sign, const QString& reason) {
        run.lines[i] += sign.toString();
        run.reasons[i] = reason;
        if (marked)
            marked(i, run.lines[i], reason);
    };

    try {
        for (qsizetype i = 0; i < files.size(); ++i) {
            if (files.size() > 1)
                ctx.status.setProgress(int(i), int(files.size()));
            const QString& path = files[i];
            if (action == Uz2Action::Compress && hasUz2Extension(platform::fileNamePart(path))) {
                // It would only come back as x.uz2.uz2.
                mark(i, Uz2ErrorMark,
                     u"\"%1\" is a .uz2 file already; it is not compressed again."_s.arg(path));
                continue;
            }
            const QString status = u"  "_s + word + u"ing "_s + run.lines[i] + note;
            // Shown while the file is worked on.
            ctx.status.setStatus(status);
            FileOutcome outcome = run.builtIn ? runCodec(ctx, action, path, outputFolder)
                                              : runTool(ctx, tool, word, path);
            if (!run.builtIn && outcome.kind == FileOutcome::Ok && !outputFolder.isEmpty())
                outcome = placeToolOutput(ctx, action, path, outputFolder);
            switch (outcome.kind) {
            case FileOutcome::NotStarted:
                run.error = errorText(word, true);
                return run;
            case FileOutcome::Failed:
                mark(i, Uz2ErrorMark, outcome.reason);
                break;
            case FileOutcome::Skipped:
                mark(i, Uz2SkippedMark, outcome.reason);
                break;
            case FileOutcome::Ok: {
                ctx.status.setStatus(status + u" -> Successfully"_s);
                ++run.succeeded;
                QString reason;
                if (deleteInputs && !core::MoveToRecycleBin(ctx, path)) {
                    ++run.notTrashed;
                    reason = u"Converted; the input could not be moved to the trash."_s;
                }
                mark(i, Uz2OkMark, reason);
                break;
            }
            }
        }
    } catch (...) {
        // Whatever ended the loop gets the run's one message.
        run.error = errorText(word, false);
    }
    return run;
}

void finishUz2(CommandContext& ctx, const Uz2Run& run, bool deleteInputs) {
    if (!run.error.isEmpty()) {
        ctx.dialogs.message(platform::MsgKind::Error, run.error, platform::Ok, MessageOffset);
        return;
    }
    QString text = u"  "_s + QString::number(run.succeeded) + u" files successfully "_s +
                   run.commandWord + u"ed"_s + (run.builtIn ? OwnCodecNote : QString()) + u"."_s;
    if (deleteInputs) {
        text += u" Input file(s) moved to recyclebin"_s;
        if (run.notTrashed > 0)
            text += u", %1 could not be moved"_s.arg(run.notTrashed);
    }
    ctx.status.setStatus(text);
    ctx.state.ListBox3.clear();
}

} // namespace cache
