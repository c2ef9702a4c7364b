#pragma once

#include <QByteArray>

#include <algorithm>
#include <random>

/// What a map or texture package holds: name and import tables (text with
/// small counts), export tables (packed small integers), texture mipmaps
/// (smooth gradients with noise) and sound or compressed texture data
/// (close to random). It compresses about as real packages do.
inline QByteArray packageLike(qint64 size, unsigned seed = 2004) {
    std::mt19937 rng(seed);
    QByteArray out;
    out.reserve(size);
    int kind = 0;
    while (out.size() < size) {
        const qint64 end = std::min<qint64>(size, out.size() + 16384 + rng() % 65536);
        switch (kind++ % 4) {
        case 0: // name table
            while (out.size() < end) {
                out += "Texture_" + QByteArray::number(rng() % 400) + '\0';
                out += char(0x10), out += char(0x00), out += char(0x07), out += char(0x04);
            }
            break;
        case 1: // export table
            while (out.size() < end)
                out += char(rng() % 8), out += char(rng() % 64), out += char(0);
            break;
        case 2: { // mipmap
            int v = int(rng() % 256);
            while (out.size() < end) {
                v = (v + int(rng() % 7) - 3) & 0xFF;
                out += char(v);
            }
            break;
        }
        default: // sound, DXT blocks
            while (out.size() < end)
                out += char(rng());
        }
    }
    out.truncate(size);
    return out;
}
