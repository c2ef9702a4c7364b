#include "cache/redirect_manifest.h"

#include "platform/atomic_file.h"
#include "platform/errors.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace cache {

namespace {

constexpr QByteArrayView Header = "quorvel-redirect 1\n";
constexpr int FieldCount = 5;
constexpr qsizetype MaxNameBytes = 255;

QByteArray encodeName(const QString& text) {
    return text.toUtf8().toPercentEncoding();
}

QByteArray encodePath(const QString& text) {
    return text.toUtf8().toPercentEncoding("/");
}

QString decode(QByteArrayView field) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(field.toByteArray()));
}

bool isAbsolutePath(const QString& path) {
    return path.startsWith(u'/') && !path.contains(QChar(0));
}

/// The line toBytes() writes for `e`.
QByteArray lineOf(const RedirectEntry& e) {
    QByteArray line = encodeName(e.name);
    line += '\t';
    line += QByteArray::number(e.size);
    line += '\t';
    line += QByteArray::number(e.sourceSize);
    line += '\t';
    line += QByteArray::number(e.sourceTime);
    line += '\t';
    line += encodePath(e.source);
    line += '\n';
    return line;
}

bool writable(const RedirectEntry& e) {
    return isPlainUz2Name(e.name) && e.size >= 0 && e.sourceSize >= 0 && isAbsolutePath(e.source);
}

ManifestRead refuse(const QString& why) {
    return {RedirectManifest(), why};
}

} // namespace

bool isPlainUz2Name(const QString& name) {
    return name.size() > 4 && name.endsWith(u".uz2"_s, Qt::CaseInsensitive) &&
           !name.contains(u'/') && !name.contains(QChar(0)) && name != u".."_s &&
           name.toUtf8().size() <= MaxNameBytes;
}

QString RedirectManifest::fileName() {
    return u".quorvel-redirect"_s;
}

ManifestRead RedirectManifest::fromBytes(QByteArrayView bytes) {
    if (bytes.size() > MaxSize)
        return refuse(u"it is larger than %1 bytes"_s.arg(MaxSize));
    if (!bytes.startsWith(Header))
        return refuse(u"it does not begin with \"quorvel-redirect 1\""_s);
    if (!bytes.endsWith('\n'))
        return refuse(u"its last line is cut short"_s);
    RedirectManifest manifest;
    qsizetype at = Header.size();
    qsizetype lineNo = 1;
    while (at < bytes.size()) {
        ++lineNo;
        const qsizetype start = at;
        const qsizetype end = bytes.indexOf('\n', start);
        const QByteArrayView line = bytes.sliced(start, end - start);
        at = end + 1;
        QList<QByteArrayView> fields;
        for (qsizetype from = 0;;) {
            const qsizetype tab = line.indexOf('\t', from);
            fields.append(line.sliced(from, (tab < 0 ? line.size() : tab) - from));
            if (tab < 0 || fields.size() > FieldCount)
                break;
            from = tab + 1;
        }
        if (fields.size() != FieldCount)
            return refuse(u"line %1 does not hold %2 fields"_s.arg(lineNo).arg(FieldCount));
        bool sizeOk = false;
        bool sourceSizeOk = false;
        bool timeOk = false;
        RedirectEntry e;
        e.name = decode(fields[0]);
        e.size = fields[1].toLongLong(&sizeOk);
        e.sourceSize = fields[2].toLongLong(&sourceSizeOk);
        e.sourceTime = fields[3].toLongLong(&timeOk);
        e.source = decode(fields[4]);
        if (!sizeOk || !sourceSizeOk || !timeOk)
            return refuse(u"line %1 holds a number that does not read"_s.arg(lineNo));
        if (!writable(e))
            return refuse(u"line %1 is not a .uz2 of the folder"_s.arg(lineNo));
        // Spelled as the writer spells it: one form per name and number, so
        // nothing read can mean two things.
        if (lineOf(e) != bytes.sliced(start, at - start))
            return refuse(u"line %1 is not written as Quorvel writes it"_s.arg(lineNo));
        if (!manifest.entries_.isEmpty() && manifest.entries_.lastKey() >= e.name)
            return refuse(u"line %1 is out of order or names a .uz2 twice"_s.arg(lineNo));
        manifest.entries_.insert(manifest.entries_.cend(), e.name, e);
    }
    return {manifest, QString()};
}

QByteArray RedirectManifest::toBytes() const {
    QByteArray out = Header.toByteArray();
    for (const RedirectEntry& e : entries_)
        out += lineOf(e);
    return out;
}

const RedirectEntry* RedirectManifest::find(const QString& name) const {
    const auto it = entries_.constFind(name);
    return it == entries_.cend() ? nullptr : &it.value();
}

bool RedirectManifest::put(const RedirectEntry& entry) {
    if (!writable(entry))
        return false;
    entries_.insert(entry.name, entry);
    return true;
}

bool RedirectManifest::remove(const QString& name) {
    return entries_.remove(name) > 0;
}

RedirectManifest readRedirectManifest(const QString& dir, QString& problem) {
    problem.clear();
    const QString path = QDir(dir).filePath(RedirectManifest::fileName());
    // No link is followed, and a FIFO put there does not hold the run up.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return {};
        problem = error == ELOOP ? u"it is a link"_s : qt_error_string(error);
        return {};
    }
    QByteArray bytes;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        problem = qt_error_string(errno);
    } else if (!S_ISREG(st.st_mode)) {
        problem = u"it is not a plain file"_s;
    } else if (st.st_size > RedirectManifest::MaxSize) {
        problem = u"it is larger than %1 bytes"_s.arg(RedirectManifest::MaxSize);
    } else {
        // Read to the end in pieces, never past the limit, whatever fstat
        // said: the file may grow while it is read.
        char piece[65536];
        for (;;) {
            const ssize_t n = ::read(fd, piece, sizeof piece);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                problem = qt_error_string(errno);
                break;
            }
            if (n == 0)
                break;
            bytes.append(piece, qsizetype(n));
            if (bytes.size() > RedirectManifest::MaxSize) {
                problem = u"it is larger than %1 bytes"_s.arg(RedirectManifest::MaxSize);
                break;
            }
        }
    }
    ::close(fd);
    if (!problem.isEmpty())
        return {};
    ManifestRead read = RedirectManifest::fromBytes(bytes);
    problem = read.problem;
    return read.manifest;
}

void writeRedirectManifest(const QString& dir, const RedirectManifest& manifest) {
    platform::writeFileAtomically(QDir(dir).filePath(RedirectManifest::fileName()),
                                  manifest.toBytes());
}

} // namespace cache
