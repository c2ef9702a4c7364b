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
#include <cstring>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

using archives::unrar_helper::Frame;

namespace {

/// Standard output as it was at the start: the frames' own channel.
int frameChannel = -1;

/// The temporary file the library is writing, for the signal handler: set
/// only while `havePartial` is 0, so the handler never reads half a name.
char partialPath[4096];
volatile sig_atomic_t havePartial = 0;

void keepPartial(const QByteArray& path) {
    havePartial = 0;
    if (path.isEmpty() || size_t(path.size()) >= sizeof partialPath)
        return;
    std::memcpy(partialPath, path.constData(), size_t(path.size()));
    partialPath[path.size()] = '\0';
    havePartial = 1;
}

/// The program ended (or asked it to stop): the half-written file goes,
/// then the helper. Only async-signal-safe calls here.
extern "C" void endWithParent(int) {
    if (havePartial)
        ::unlink(partialPath);
    ::_exit(4);
}

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
    // Ends with the program that started it, should that end first: told by
    // a signal it handles, so that no half-written file stays behind.
    struct sigaction ending {};
    ending.sa_handler = endWithParent;
    sigemptyset(&ending.sa_mask);
    ::sigaction(SIGTERM, &ending, nullptr);
    ::sigaction(SIGHUP, &ending, nullptr);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    // Ctrl-C on the terminal reaches the whole process group: the program
    // decides whether the archive in progress finishes, not the helper.
    ::signal(SIGINT, SIG_IGN);
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
    // The program may have ended before the signal was asked for: then
    // this process has another parent already, and nothing is to be done.
    if (request->parent && qint64(::getppid()) != *request->parent)
        return 4;

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
        run.setPartialHook(keepPartial);
        result = run.run();
    }
    lib.UnloadUnrarLibrary();
    send(archives::unrar_helper::resultFrame(result.code, result.reason));
    return 0;
}
