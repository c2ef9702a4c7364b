// quorvel-unrar: lists or extracts one rar archive with the unrar library,
// in a process of its own, so that an archive which crashes the library
// takes only this process down and the program reads it as damaged.
// Started by TdRar3; the protocol is in unrar_helper_protocol.h.
#include "archive/unrar_helper_protocol.h"
#include "archive/unrar_run.h"

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

using archives::unrar_helper::Frame;

namespace {

/// Standard output as it was at the start: the frames' own channel.
int frameChannel = -1;

void send(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(frameChannel, bytes.constData() + done,
                                  static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ::_exit(3); // the program stopped listening: nothing is left to do
        done += n;
    }
}

/// Waits for the program's answer to a password request; nullopt when its
/// input ends or is no answer (the library then cancels).
std::optional<QByteArray> readAnswer() {
    archives::unrar_helper::FrameReader reader;
    char buffer[4096];
    for (;;) {
        if (std::optional<archives::unrar_helper::FrameReader::Item> item = reader.next()) {
            if (item->type != Frame::Answer)
                return std::nullopt;
            return item->payload;
        }
        if (reader.broken())
            return std::nullopt;
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::nullopt;
        reader.append(QByteArrayView(buffer, n));
    }
}

} // namespace

int main(int argc, char** argv) {
    // Ends with the program that started it, should that end first.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // A crash on a damaged archive is expected here: no core file is left
    // in the program's folder for it.
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    // The library decodes the names of old archives through the locale,
    // which the program has taken from the environment too.
    std::setlocale(LC_ALL, "");
    // The frames have standard output to themselves: anything else that
    // writes there ends up on standard error.
    frameChannel = ::dup(STDOUT_FILENO);
    if (frameChannel < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return 2;

    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    const std::optional<archives::unrar_helper::Request> request =
        archives::unrar_helper::parseArguments(args);
    if (!request) {
        std::fputs("quorvel-unrar: started by Quorvel to read one rar archive; not for use by "
                   "hand.\n",
                   stderr);
        return 2;
    }

    archives::UnrarJobResult result;
    archives::UnrarLibrary lib;
    if (!lib.LoadUnrarLibrary(request->libraryFolder, request->libraryName)) {
        result.code = archives::rarcode::UnrarNotAvailable;
    } else {
        const Frame entryFrame = request->job.extract ? Frame::Extracting : Frame::Listed;
        archives::UnrarRun run(
            lib, request->job,
            [entryFrame](const QString& name) {
                send(archives::unrar_helper::frame(entryFrame, name.toUtf8()));
            },
            [] {
                send(archives::unrar_helper::frame(Frame::Password));
                return readAnswer();
            });
        result = run.run();
    }
    lib.UnloadUnrarLibrary();
    send(archives::unrar_helper::resultFrame(result.code, result.reason));
    return 0;
}
