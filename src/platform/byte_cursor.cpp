#include "platform/byte_cursor.h"

namespace platform {

ByteCursor::ByteCursor(QByteArrayView bytes, qsizetype pos) : bytes_(bytes) {
    seek(pos);
}

void ByteCursor::seek(qsizetype pos) {
    if (!ok_ || pos < 0 || pos > bytes_.size())
        ok_ = false;
    else
        pos_ = pos;
}

void ByteCursor::skip(quint64 n) {
    if (!ok_ || n > quint64(remaining()))
        ok_ = false;
    else
        pos_ += qsizetype(n);
}

std::optional<quint8> ByteCursor::peek(qsizetype offset) const {
    if (!ok_ || offset < 0 || offset >= remaining())
        return std::nullopt;
    return quint8(bytes_[pos_ + offset]);
}

quint64 ByteCursor::read(int width) {
    if (!ok_ || width > remaining()) {
        ok_ = false;
        return 0;
    }
    quint64 v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | quint8(bytes_[pos_ + i]);
    pos_ += width;
    return v;
}

QByteArrayView ByteCursor::bytes(quint64 n) {
    if (!ok_ || n > quint64(remaining())) {
        ok_ = false;
        return {};
    }
    const QByteArrayView out = bytes_.sliced(pos_, qsizetype(n));
    pos_ += qsizetype(n);
    return out;
}

quint64 ByteCursor::vint() {
    // Ten bytes carry 70 bits; only the lowest bit of the tenth still fits.
    constexpr int MaxBytes = 10;
    quint64 v = 0;
    for (int i = 0; i < MaxBytes && ok_ && pos_ + i < bytes_.size(); ++i) {
        const quint8 b = quint8(bytes_[pos_ + i]);
        if (i == MaxBytes - 1 && (b & 0x7E) != 0)
            break;
        v |= quint64(b & 0x7F) << (7 * i);
        if ((b & 0x80) == 0) {
            pos_ += i + 1;
            return v;
        }
    }
    ok_ = false;
    return 0;
}

} // namespace platform
