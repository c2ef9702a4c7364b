#include "support/open_counter.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cstring>

namespace testing_support {

OpenCounter::OpenCounter(const QString& root) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0)
        return;
    QStringList folders{root};
    QDirIterator it(root, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        folders.append(it.next());
    for (const QString& folder : folders) {
        const int wd = inotify_add_watch(fd_, QFile::encodeName(folder).constData(),
                                         IN_OPEN | IN_CLOSE_WRITE | IN_MOVED_TO);
        if (wd < 0) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
        watches_.append({wd, folder});
    }
}

OpenCounter::~OpenCounter() {
    if (fd_ >= 0)
        ::close(fd_);
}

void OpenCounter::collect() {
    if (fd_ < 0)
        return;
    alignas(inotify_event) std::array<char, 64 * 1024> buffer{};
    for (;;) {
        const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
        if (got <= 0)
            return;
        for (ssize_t at = 0; at < got;) {
            inotify_event event;
            std::memcpy(&event, buffer.data() + at, sizeof event);
            const char* name = buffer.data() + at + sizeof event;
            at += static_cast<ssize_t>(sizeof event + event.len);
            if (event.mask & IN_ISDIR || event.len == 0)
                continue;
            QString folder;
            for (const auto& [wd, path] : watches_) {
                if (wd == event.wd)
                    folder = path;
            }
            const QString path = folder + QLatin1Char('/') + QFile::decodeName(name);
            if (event.mask & IN_OPEN)
                opened.append(path);
            if (event.mask & (IN_CLOSE_WRITE | IN_MOVED_TO))
                written.append(path);
        }
    }
}

void OpenCounter::reset() {
    collect();
    opened.clear();
    written.clear();
}

} // namespace testing_support
