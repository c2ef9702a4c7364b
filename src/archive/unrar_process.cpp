#include "archive/unrar_process.h"

#include "archive/unrar_helper_protocol.h"

#include <QCoreApplication>
#include <QProcess>

using namespace Qt::Literals::StringLiterals;

namespace archives {

namespace {

using unrar_helper::Frame;

/// Kills and reaps the helper when the call ends, however it ends.
class Reaper {
public:
    explicit Reaper(QProcess& process) : process_(process) {}
    ~Reaper() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.kill();
        process_.waitForFinished(-1);
    }
    Reaper(const Reaper&) = delete;
    Reaper& operator=(const Reaper&) = delete;

private:
    QProcess& process_;
};

/// After its result the helper only unloads the library and ends.
constexpr int EndingMs = 5000;

} // namespace

UnrarHelperOutcome runUnrarHelper(const QString& program, const QStringList& arguments,
                                  bool extract, const UnrarHelperHooks& hooks) {
    UnrarHelperOutcome outcome;
    if (program.isEmpty()) {
        outcome.kind = UnrarHelperOutcome::NotStarted;
        return outcome;
    }
    QProcess helper;
    helper.setProgram(program);
    helper.setArguments(arguments);
    // Its messages (a sanitizer's report, say) go where the program's go.
    helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Reaper reaper(helper);
    helper.start();
    if (!helper.waitForStarted(-1)) {
        outcome.kind = UnrarHelperOutcome::NotStarted;
        return outcome;
    }

    unrar_helper::FrameReader reader;
    // Read in bounded pieces, so what the helper sends never piles up here.
    QByteArray chunk(16 * 1024, Qt::Uninitialized);
    for (;;) {
        while (std::optional<unrar_helper::FrameReader::Item> item = reader.next()) {
            switch (item->type) {
            case Frame::Listed:
            case Frame::Extracting:
                if ((item->type == Frame::Extracting) != extract)
                    return outcome;
                if (hooks.onEntry)
                    hooks.onEntry(QString::fromUtf8(item->payload));
                break;
            case Frame::Password: {
                QByteArray answer = hooks.password ? hooks.password() : QByteArray();
                QByteArray bytes = unrar_helper::frame(Frame::Answer, answer);
                answer.fill('\0');
                // A helper that is gone shows at the next read.
                helper.write(bytes);
                helper.waitForBytesWritten(-1);
                bytes.fill('\0');
                break;
            }
            case Frame::Result: {
                const std::optional<unrar_helper::ResultPayload> result =
                    unrar_helper::parseResult(item->payload);
                if (!result)
                    return outcome;
                outcome.kind = UnrarHelperOutcome::Finished;
                outcome.code = result->code;
                outcome.reason = result->reason;
                helper.closeWriteChannel();
                helper.waitForFinished(EndingMs);
                return outcome;
            }
            case Frame::Answer:
                return outcome; // the program's frame, never the helper's
            }
        }
        if (reader.broken())
            return outcome;
        if (helper.bytesAvailable() > 0) {
            const qint64 n = helper.read(chunk.data(), chunk.size());
            if (n < 0)
                return outcome;
            reader.append(QByteArrayView(chunk.constData(), n));
            continue;
        }
        // Ended without its result: crashed, killed, or gave up.
        if (helper.state() == QProcess::NotRunning)
            return outcome;
        if (!helper.waitForReadyRead(-1) && helper.state() != QProcess::NotRunning &&
            helper.bytesAvailable() == 0)
            return outcome;
    }
}

QString defaultUnrarHelper() {
    if (QCoreApplication::instance() == nullptr)
        return {};
    return QCoreApplication::applicationDirPath() + u'/' +
           QString::fromLatin1(unrar_helper::ProgramName);
}

} // namespace archives
