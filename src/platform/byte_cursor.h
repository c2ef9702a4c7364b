#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

namespace platform {

/// A bounds-checked reader over bytes of outside input (archive headers,
/// record files, packages). Multi-byte integers are little-endian.
///
/// Failure is sticky: a read, skip or seek that does not fit sets !ok(),
/// returns 0 (or an empty view) and leaves the position alone; every later
/// read fails as well, so a parser may read a whole structure and check
/// ok() once. Nothing is ever read outside the given bytes.
///
/// The cursor does not own the bytes: they must outlive it. Format-specific
/// encodings (compact indexes and the like) are built on top with peek(),
/// the fixed-width reads and fail().
class ByteCursor {
public:
    ByteCursor() = default;
    /// Starts at `pos`; a position outside the bytes fails the cursor.
    explicit ByteCursor(QByteArrayView bytes, qsizetype pos = 0);

    bool ok() const { return ok_; }
    /// Marks the data as malformed; used by readers layered on top.
    void fail() { ok_ = false; }

    qsizetype pos() const { return pos_; }
    qsizetype size() const { return bytes_.size(); }
    qsizetype remaining() const { return bytes_.size() - pos_; }
    bool atEnd() const { return pos_ >= bytes_.size(); }
    /// All the bytes the cursor reads from.
    QByteArrayView data() const { return bytes_; }

    /// Moves to `pos` (0..size()); anything else fails the cursor.
    void seek(qsizetype pos);
    /// Moves forward `n` bytes when they are there; else fails.
    void skip(quint64 n);

    /// The byte `offset` bytes ahead without moving, when it is there and
    /// the cursor has not failed.
    std::optional<quint8> peek(qsizetype offset = 0) const;

    quint8 u8() { return quint8(read(1)); }
    quint16 u16() { return quint16(read(2)); }
    quint32 u32() { return quint32(read(4)); }
    quint64 u64() { return read(8); }
    qint8 i8() { return qint8(u8()); }
    qint16 i16() { return qint16(u16()); }
    qint32 i32() { return qint32(u32()); }
    qint64 i64() { return qint64(u64()); }

    /// The next `n` bytes, when all of them are there; else fails and
    /// returns an empty view. The view points into the cursor's bytes.
    QByteArrayView bytes(quint64 n);

    /// A RAR5 variable-length integer: 7 bits a byte, low group first, a
    /// set high bit means another byte follows. Fails when the bytes end
    /// inside it or when it does not fit 64 bits (more than ten bytes, or
    /// bits above bit 63 in the tenth).
    quint64 vint();

private:
    /// An unsigned little-endian integer of `width` (1..8) bytes.
    quint64 read(int width);

    QByteArrayView bytes_;
    qsizetype pos_ = 0;
    bool ok_ = true;
};

} // namespace platform
