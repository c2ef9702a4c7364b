#include "support/package_writer.h"

#include <QFile>
#include <QtEndian>

#include <utility>

namespace testing_support {

namespace {

void putU16(QByteArray& out, quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void putU32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void putI32(QByteArray& out, qint32 v) {
    putU32(out, quint32(v));
}

void putName(QByteArray& out, const PackageName& name, quint16 version) {
    if (name.raw) {
        out.append(*name.raw);
    } else if (version >= 64) {
        out.append(char(quint8(name.text.size() + 1)));
        out.append(name.text);
        out.append('\0');
    } else {
        out.append(name.text);
        out.append('\0');
    }
    putU32(out, name.flags);
}

} // namespace

QByteArray compactIndex(qint32 value) {
    QByteArray out;
    quint32 magnitude = value < 0 ? 0u - quint32(value) : quint32(value);
    quint8 first = magnitude & 0x3F;
    if (value < 0)
        first |= 0x80;
    magnitude >>= 6;
    if (magnitude != 0)
        first |= 0x40;
    out.append(char(first));
    for (int i = 1; i < 4 && magnitude != 0; ++i) {
        quint8 b = magnitude & 0x7F;
        magnitude >>= 7;
        if (magnitude != 0)
            b |= 0x80;
        out.append(char(b));
    }
    if (magnitude != 0)
        out.append(char(quint8(magnitude)));
    return out;
}

QByteArray packageBytes(const PackageSpec& layout) {
    const bool guidHeader = layout.version >= 68;
    QByteArray tail; // everything after the header, offsets relative to it

    QByteArray generations;
    for (const auto& [exports, names] : layout.generations) {
        putI32(generations, exports);
        putI32(generations, names);
    }
    const qsizetype headerSize =
        36 + (guidHeader ? layout.beforeGuid.size() + 16 + 4 + generations.size() : 8);

    const quint32 nameAt = quint32(headerSize + tail.size());
    for (const PackageName& name : layout.names)
        putName(tail, name, layout.version);
    tail.append(layout.objectData);

    const quint32 importAt = quint32(headerSize + tail.size());
    for (const PackageImport& i : layout.imports) {
        tail.append(compactIndex(i.classPackage));
        tail.append(compactIndex(i.classIndex));
        putI32(tail, i.package);
        tail.append(compactIndex(i.object));
    }

    const quint32 exportAt = quint32(headerSize + tail.size());
    for (const PackageExport& e : layout.exports) {
        tail.append(compactIndex(e.classIndex));
        tail.append(compactIndex(e.super));
        putI32(tail, e.group);
        tail.append(compactIndex(e.object));
        putU32(tail, e.flags);
        tail.append(compactIndex(e.serialSize));
        if (e.serialSize >= 1)
            tail.append(compactIndex(e.serialOffset));
    }

    const quint32 heritageAt = quint32(headerSize + tail.size());
    if (!guidHeader) {
        for (const QByteArray& guid : layout.heritage)
            tail.append(guid);
    }

    QByteArray out;
    putU32(out, layout.signature);
    putU16(out, layout.version);
    putU16(out, layout.licenseeMode);
    putU32(out, layout.flags);
    putI32(out, layout.nameCount.value_or(qint32(layout.names.size())));
    putU32(out, layout.nameOffset.value_or(nameAt));
    putI32(out, layout.exportCount.value_or(qint32(layout.exports.size())));
    putU32(out, layout.exportOffset.value_or(exportAt));
    putI32(out, layout.importCount.value_or(qint32(layout.imports.size())));
    putU32(out, layout.importOffset.value_or(importAt));
    if (guidHeader) {
        out.append(layout.beforeGuid);
        out.append(layout.guid);
        putI32(out, layout.generationCount.value_or(qint32(layout.generations.size())));
        out.append(generations);
    } else {
        putI32(out, layout.heritageCount.value_or(qint32(layout.heritage.size())));
        putU32(out, layout.heritageOffset.value_or(heritageAt));
    }
    Q_ASSERT(out.size() == headerSize);
    out.append(tail);
    return out;
}

bool writePackage(const QString& path, const PackageSpec& layout) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = packageBytes(layout);
    return file.write(bytes) == bytes.size() && file.flush();
}

QByteArray packageImporting(const QList<ImportedObject>& objects) {
    PackageSpec layout;
    auto name = [&layout](const QByteArray& text) {
        for (qsizetype i = 0; i < layout.names.size(); ++i) {
            if (layout.names[i].text == text)
                return qint32(i);
        }
        layout.names.append({text, 0, std::nullopt});
        return qint32(layout.names.size() - 1);
    };
    // The import of each package, by name: where its objects point.
    QList<std::pair<QByteArray, qint32>> packageImports;
    for (const ImportedObject& o : objects) {
        qint32 outer = 0;
        for (const auto& [package, reference] : packageImports) {
            if (package == o.package)
                outer = reference;
        }
        if (outer == 0) {
            layout.imports.append({name("Core"), name("Package"), 0, name(o.package)});
            outer = -qint32(layout.imports.size());
            packageImports.append({o.package, outer});
        }
        if (!o.object.isEmpty())
            layout.imports.append({name("Engine"), name(o.className), outer, name(o.object)});
    }
    return packageBytes(layout);
}

} // namespace testing_support
