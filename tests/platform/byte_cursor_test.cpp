// Bounded little-endian reads over outside input.
#include "platform/byte_cursor.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <functional>
#include <limits>

using platform::ByteCursor;

namespace {

struct ReadCase {
    const char* what;
    QByteArray bytes;
    qsizetype start;
    std::function<quint64(ByteCursor&)> read;
    quint64 value;
    bool ok;
    qsizetype pos; ///< position after the read
};

TEST(ByteCursor, ReadsInsideTheBytesAndFailsPastThem) {
    const QByteArray nine("\x01\x02\x03\x04\x05\x06\x07\x08\x09", 9);
    const QByteArray ones(8, '\xFF');
    const auto i64 = [](qint64 v) { return quint64(v); };
    const ReadCase cases[] = {
        {"u8", nine, 0, [](ByteCursor& c) { return c.u8(); }, 0x01, true, 1},
        {"u16", nine, 0, [](ByteCursor& c) { return c.u16(); }, 0x0201, true, 2},
        {"u32 from 1", nine, 1, [](ByteCursor& c) { return c.u32(); }, 0x05040302, true, 5},
        {"u64 up to the end", nine, 1, [](ByteCursor& c) { return c.u64(); }, 0x0908070605040302,
         true, 9},
        {"u64 one byte short", nine, 2, [](ByteCursor& c) { return c.u64(); }, 0, false, 2},
        {"u16 one byte short", nine, 8, [](ByteCursor& c) { return c.u16(); }, 0, false, 8},
        {"u8 at the end", nine, 9, [](ByteCursor& c) { return c.u8(); }, 0, false, 9},
        {"start past the end", nine, 10, [](ByteCursor& c) { return c.u8(); }, 0, false, 0},
        {"empty", QByteArray(), 0, [](ByteCursor& c) { return c.u32(); }, 0, false, 0},
        {"i8", ones, 0, [&](ByteCursor& c) { return i64(c.i8()); }, i64(-1), true, 1},
        {"i16", QByteArray("\xFE\xFF", 2), 0, [&](ByteCursor& c) { return i64(c.i16()); }, i64(-2),
         true, 2},
        {"i32", QByteArray("\0\0\0\x80", 4), 0, [&](ByteCursor& c) { return i64(c.i32()); },
         i64(std::numeric_limits<qint32>::min()), true, 4},
        {"i64", ones, 0, [&](ByteCursor& c) { return i64(c.i64()); }, i64(-1), true, 8},
        {"failure is sticky", nine, 0,
         [](ByteCursor& c) {
             c.skip(10);
             return c.u8();
         },
         0, false, 0},
        {"skip never wraps", nine, 1,
         [](ByteCursor& c) {
             c.skip(std::numeric_limits<quint64>::max());
             return c.u8();
         },
         0, false, 1},
        {"seek to the end, then read", nine, 0,
         [](ByteCursor& c) {
             c.seek(9);
             return c.u8();
         },
         0, false, 9},
        {"seek before the start", nine, 4,
         [](ByteCursor& c) {
             c.seek(-1);
             return c.u8();
         },
         0, false, 4},
        {"bytes that are there", nine, 7,
         [](ByteCursor& c) {
             const QByteArrayView v = c.bytes(2);
             return v.size() == 2 ? quint64(quint8(v[0])) << 8 | quint8(v[1]) : 0;
         },
         0x0809, true, 9},
        {"bytes one short", nine, 7, [](ByteCursor& c) { return quint64(c.bytes(3).size()); }, 0,
         false, 7},
        {"bytes of a huge count", nine, 0,
         [](ByteCursor& c) { return quint64(c.bytes(quint64(1) << 63).size()); }, 0, false, 0},
    };
    for (const ReadCase& t : cases) {
        ByteCursor c(t.bytes, t.start);
        EXPECT_EQ(t.read(c), t.value) << t.what;
        EXPECT_EQ(c.ok(), t.ok) << t.what;
        EXPECT_EQ(c.pos(), t.pos) << t.what;
    }
}

TEST(ByteCursor, PeekLooksAheadWithoutMoving) {
    const QByteArray bytes("\x10\x20", 2);
    ByteCursor c(bytes);
    EXPECT_EQ(c.peek(), quint8(0x10));
    EXPECT_EQ(c.peek(1), quint8(0x20));
    EXPECT_EQ(c.peek(2), std::nullopt);
    EXPECT_EQ(c.peek(-1), std::nullopt);
    EXPECT_EQ(c.pos(), 0);
    EXPECT_EQ(c.remaining(), 2);
    c.fail();
    EXPECT_EQ(c.peek(), std::nullopt);
    EXPECT_EQ(c.u8(), 0);
}

struct VintCase {
    const char* what;
    QByteArray bytes;
    quint64 value;
    bool ok;
    qsizetype pos;
};

TEST(ByteCursor, Rar5VariableLengthIntegers) {
    const VintCase cases[] = {
        {"zero", QByteArray(1, '\0'), 0, true, 1},
        {"one byte", "\x7F", 127, true, 1},
        {"two bytes", "\x80\x01", 128, true, 2},
        {"low group first", "\xFF\x7F", 16383, true, 2},
        {"stops at the clear high bit", "\x05\xAA", 5, true, 1},
        {"non-minimal form", QByteArray("\x81\x00", 2), 1, true, 2},
        {"ten bytes, all 64 bits", QByteArray(9, '\xFF') + "\x01",
         std::numeric_limits<quint64>::max(), true, 10},
        {"bits above 64", QByteArray(9, '\x80') + "\x02", 0, false, 0},
        {"overlong: eleven bytes", QByteArray(10, '\x80') + QByteArray(1, '\0'), 0, false, 0},
        {"cut inside", "\x80\x80", 0, false, 0},
        {"nothing there", QByteArray(), 0, false, 0},
    };
    for (const VintCase& t : cases) {
        ByteCursor c(t.bytes);
        EXPECT_EQ(c.vint(), t.value) << t.what;
        EXPECT_EQ(c.ok(), t.ok) << t.what;
        EXPECT_EQ(c.pos(), t.pos) << t.what;
    }
}

} // namespace
