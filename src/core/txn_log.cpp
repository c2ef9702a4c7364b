#include "core/txn_log.h"

#include "platform/byte_cursor.h"

#include <QCryptographicHash>
#include <QtEndian>

namespace core::txn {

namespace {

// Layout, integers little-endian:
//   header: "QUORVEL-TXN-1\n"
//   entry:  u32 payload length, payload, first 8 bytes of its SHA-256
//   payload: u8 kind (1 step, 2 commit); a step then holds u32 op count and
//            per op: u8 kind, u16 length + UTF-8 path, u16 length + UTF-8 backup.
constexpr QByteArrayView Header = "QUORVEL-TXN-1\n";
constexpr qsizetype SumSize = 8;
constexpr quint8 StepKind = 1;
constexpr quint8 CommitKind = 2;

template <typename T> void appendLE(QByteArray& out, T value) {
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

QByteArray sumOf(QByteArrayView payload) {
    return QCryptographicHash::hash(payload, QCryptographicHash::Sha256).first(SumSize);
}

QByteArray entry(const QByteArray& payload) {
    QByteArray out;
    appendLE<quint32>(out, quint32(payload.size()));
    out += payload;
    out += sumOf(payload);
    return out;
}

void appendText(QByteArray& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    // Paths are far shorter; a longer one would not be a path of ours.
    const qsizetype n = std::min<qsizetype>(utf8.size(), 0xFFFF);
    appendLE<quint16>(out, quint16(n));
    out.append(utf8.constData(), n);
}

std::optional<QString> readText(platform::ByteCursor& in) {
    const quint16 n = in.u16();
    const QByteArrayView bytes = in.bytes(n);
    if (!in.ok())
        return std::nullopt;
    return QString::fromUtf8(bytes);
}

std::optional<QList<Op>> readStep(platform::ByteCursor& in) {
    const quint32 count = in.u32();
    QList<Op> ops;
    for (quint32 i = 0; i < count && in.ok(); ++i) {
        Op op;
        const quint8 kind = in.u8();
        const std::optional<QString> path = readText(in);
        const std::optional<QString> backup = readText(in);
        if (!path || !backup || path->isEmpty() || (kind != Op::Kept && kind != Op::Created))
            return std::nullopt;
        if (kind == Op::Kept && backup->isEmpty())
            return std::nullopt;
        op.kind = Op::Kind(kind);
        op.path = *path;
        op.backup = *backup;
        ops.append(op);
    }
    if (!in.ok() || !in.atEnd())
        return std::nullopt;
    return ops;
}

} // namespace

QByteArray logHeader() {
    return QByteArray(Header.data(), Header.size());
}

QByteArray stepEntry(const QList<Op>& ops) {
    QByteArray payload;
    payload.append(char(StepKind));
    appendLE<quint32>(payload, quint32(ops.size()));
    for (const Op& op : ops) {
        payload.append(char(op.kind));
        appendText(payload, op.path);
        appendText(payload, op.kind == Op::Kept ? op.backup : QString());
    }
    return entry(payload);
}

QByteArray commitEntry() {
    return entry(QByteArray(1, char(CommitKind)));
}

LogContent parseLog(const QByteArray& bytes) {
    LogContent out;
    if (!bytes.startsWith(Header)) {
        out.tornBytes = bytes.size();
        return out;
    }
    platform::ByteCursor in(bytes, Header.size());
    while (!in.atEnd()) {
        const qsizetype start = in.pos();
        const quint32 length = in.u32();
        if (!in.ok() || length == 0 || length > MaxEntryBytes ||
            quint64(length) + SumSize > quint64(in.remaining())) {
            out.tornBytes = bytes.size() - start;
            return out;
        }
        const QByteArrayView payload = in.bytes(length);
        const QByteArrayView sum = in.bytes(SumSize);
        if (!in.ok() || sumOf(payload) != sum) {
            out.tornBytes = bytes.size() - start;
            return out;
        }
        platform::ByteCursor body(payload);
        const quint8 kind = body.u8();
        if (kind == CommitKind && body.atEnd()) {
            // Nothing after a commit belongs to the run.
            out.committed = true;
            return out;
        }
        std::optional<QList<Op>> step;
        if (kind == StepKind)
            step = readStep(body);
        if (!step) {
            out.tornBytes = bytes.size() - start;
            return out;
        }
        out.steps.append(*step);
    }
    return out;
}

} // namespace core::txn
