#include "cache/redirect_work.h"

#include "cache/uz2_codec.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"
#include "platform/io_errors.h"

#include <QFile>

#include <algorithm>
#include <exception>
#include <limits>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace cache::redirect_work {

namespace {

bool sameState(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

} // namespace

QString uz2NameOf(const QString& sourceName) {
    return sourceName + u".uz2"_s;
}

void sortIgnoringCase(QStringList& names) {
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
}

qint64 nanosOf(const struct timespec& t) {
    constexpr qint64 Billion = 1'000'000'000;
    constexpr qint64 Max = std::numeric_limits<qint64>::max();
    if (t.tv_sec >= Max / Billion)
        return Max;
    if (t.tv_sec <= -(Max / Billion))
        return -Max;
    return qint64(t.tv_sec) * Billion + qint64(t.tv_nsec);
}

Outcome compressOne(const Job& job) {
    Outcome o;
    try {
        QFile in(job.source);
        if (!in.open(QIODevice::ReadOnly)) {
            o.error = platform::cannotOpenText(job.source, in.errorString());
            return o;
        }
        struct stat before {};
        if (::fstat(in.handle(), &before) != 0 || !S_ISREG(before.st_mode)) {
            o.error = u"\"%1\" is not a plain file."_s.arg(job.source);
            return o;
        }
        platform::AtomicFile out(job.output);
        out.openForWriting();
        qint64 read = 0;
        const Uz2Result r = compressUz2(in, out, job.source, job.output, [&](qint64 done, qint64) {
            read = done;
            return true;
        });
        if (!r.ok) {
            out.cancel();
            o.error = r.error;
            return o;
        }
        struct stat after {};
        if (::fstat(in.handle(), &after) != 0 || !sameState(before, after) ||
            read != qint64(before.st_size)) {
            out.cancel();
            o.error = u"\"%1\" changed while it was compressed; the .uz2 was not written."_s.arg(
                job.source);
            return o;
        }
        out.commit();
        o.entry = {job.name, out.written(), job.source, qint64(before.st_size),
                   nanosOf(before.st_mtim)};
    } catch (const platform::Error& e) {
        o.error = e.text();
    } catch (const std::exception& e) {
        o.error = QString::fromLocal8Bit(e.what());
    } catch (...) {
        o.error = u"Compressing \"%1\" failed."_s.arg(job.source);
    }
    return o;
}

} // namespace cache::redirect_work
