// The Unreal package header reader over packages made by the test writer.
#include "cache/package.h"

#include "platform/byte_cursor.h"
#include "support/package_writer.h"
#include "support/tree_builder.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <functional>
#include <limits>

using namespace Qt::Literals::StringLiterals;
using cache::EInvalidUTPackage;
using cache::EProcessingUTPackage;
using cache::PackageVariant;
using cache::TUTPackage;
using testing_support::compactIndex;
using testing_support::PackageExport;
using testing_support::PackageImport;
using testing_support::PackageName;
using testing_support::PackageSpec;
using testing_support::TempTree;

namespace {

constexpr qint32 Int32Max = std::numeric_limits<qint32>::max();
constexpr qint32 Int32Min = std::numeric_limits<qint32>::min();
const QString InvalidText = u"ERROR! This isn't an Unreal package"_s;

QString processingText(const QString& path, const QString& inner) {
    return u"Exception processing package "_s + path + u"\r\n"_s + inner;
}

QList<PackageName> names(std::initializer_list<const char*> texts) {
    QList<PackageName> out;
    for (const char* t : texts)
        out.append(PackageName{QByteArray(t), 0, std::nullopt});
    return out;
}

/// The text of the error OpenPackage throws, with its class checked.
template <typename E> QString openError(const QString& path) {
    TUTPackage package;
    try {
        package.OpenPackage(path);
    } catch (const E& e) {
        return e.text();
    } catch (const platform::Error& e) {
        ADD_FAILURE() << "other error class: " << e.text().toStdString();
        return {};
    }
    ADD_FAILURE() << "no error for " << path.toStdString();
    return {};
}

class PackageTest : public ::testing::Test {
protected:
    QString write(const QString& name, const PackageSpec& layout) {
        const QString path = tree.path(name);
        EXPECT_TRUE(testing_support::writePackage(path, layout));
        return path;
    }

    TempTree tree;
};

struct CompactCase {
    const char* what;
    QByteArray bytes;
    qint32 value;
    qsizetype consumed;
    bool ok;
};

TEST(CompactIndex, DecodesEachFormAndFailsWhenTheBytesEndInside) {
    const CompactCase cases[] = {
        {"05", QByteArray("\x05", 1), 5, 1, true},
        {"85", QByteArray("\x85", 1), -5, 1, true},
        {"41 01", QByteArray("\x41\x01", 2), 65, 2, true},
        {"C0 01", QByteArray("\xC0\x01", 2), -64, 2, true},
        {"zero", QByteArray("\x00", 1), 0, 1, true},
        {"negative zero", QByteArray("\x80", 1), 0, 1, true},
        {"63 in one byte", QByteArray("\x3F", 1), 63, 1, true},
        {"two bytes, the second ends it", QByteArray("\x7F\x7F\x55", 3), 8191, 2, true},
        {"three bytes", QByteArray("\x40\x80\x01", 3), 8192, 3, true},
        {"largest", QByteArray("\x7F\xFF\xFF\xFF\x0F", 5), Int32Max, 5, true},
        {"most negative", QByteArray("\xFF\xFF\xFF\xFF\x0F", 5), -Int32Max, 5, true},
        {"int32 minimum", QByteArray("\xC0\x80\x80\x80\x10", 5), Int32Min, 5, true},
        {"overlong zero", QByteArray("\x40\x80\x80\x00", 4), 0, 4, true},
        {"fifth byte whole, high bits lost", QByteArray("\x7F\xFF\xFF\xFF\xFF", 5), -1, 5, true},
        {"fifth byte never asks for a sixth", QByteArray("\x40\x80\x80\x80\x80\x01", 6), 0, 5,
         true},
        {"empty", QByteArray(), 0, 0, false},
        {"ends after byte 0", QByteArray("\x41", 1), 0, 0, false},
        {"ends before byte 4", QByteArray("\x40\x80\x80\x80", 4), 0, 0, false},
    };
    for (const CompactCase& c : cases) {
        SCOPED_TRACE(c.what);
        platform::ByteCursor cursor(c.bytes);
        EXPECT_EQ(cache::ReadCompactIndex(cursor), c.value);
        EXPECT_EQ(cursor.ok(), c.ok);
        if (c.ok) {
            EXPECT_EQ(cursor.pos(), c.consumed);
        }
    }
    // The test writer's encoding reads back, so packages it makes say what
    // the tests mean.
    for (qint32 v : {0, 1, -1, 63, -63, 64, 8191, 8192, 1 << 20, 1 << 27, Int32Max, Int32Min}) {
        const QByteArray bytes = compactIndex(v);
        platform::ByteCursor cursor(bytes);
        EXPECT_EQ(cache::ReadCompactIndex(cursor), v);
        EXPECT_TRUE(cursor.atEnd()) << v;
    }
}

PackageSpec fullSpec(quint16 version) {
    PackageSpec layout;
    layout.version = version;
    layout.licenseeMode = version == 128 ? 29 : 0;
    layout.flags = 0x00040001;
    layout.names = names({"Core", "Engine", "Package", "MyTextures", "Texture", "Rock"});
    layout.names[3].flags = 0x00070010;
    layout.imports = {{0, 2, 0, 3}, {1, 4, -1, 5}};
    layout.exports = {
        {-2, 0, 0, 5, 0x00070004, 0, 0},
        {-2, 3, -1, 1, 0x4, 300, 100000},
    };
    layout.heritage = {QByteArray(16, 'a'), QByteArray(16, 'b')};
    layout.generations = {{2, 6}, {1, 5}};
    return layout;
}

TEST_F(PackageTest, ReadsEveryTableOfEachHeaderForm) {
    // Zero-terminated names below 64, a heritage table below 68, the GUID
    // and generations from 68 (the game's own packages are 128).
    for (quint16 version : std::initializer_list<quint16>{61, 63, 64, 67, 68, 128}) {
        SCOPED_TRACE(version);
        const PackageSpec layout = fullSpec(version);
        const QString path = write(u"Pack.utx"_s, layout);
        TUTPackage package;
        package.OpenPackage(path);

        EXPECT_EQ(package.FileName(), path);
        EXPECT_EQ(package.Version(), version);
        EXPECT_EQ(package.LicenseeMode(), layout.licenseeMode);
        EXPECT_EQ(package.Flags(), 0x00040001u);

        ASSERT_EQ(package.Names().size(), 6);
        EXPECT_EQ(package.Names()[0].Name, u"Core"_s);
        EXPECT_EQ(package.Names()[3].Name, u"MyTextures"_s);
        EXPECT_EQ(package.Names()[3].Flags, 0x00070010u);
        EXPECT_EQ(package.Names()[5].Name, u"Rock"_s);

        ASSERT_EQ(package.ImportCount(), 2);
        const cache::TUTImportTableObjectData* texture = package.ImportEntry(1);
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->ClassPackage, 1);
        EXPECT_EQ(texture->Class, 4);
        EXPECT_EQ(texture->Package, -1);
        EXPECT_EQ(texture->Object, 5);
        EXPECT_EQ(package.ImportObjectName(package.ImportEntry(0)), u"MyTextures"_s);
        EXPECT_EQ(package.ImportObjectName(texture), u"Rock"_s);

        ASSERT_EQ(package.Exports().size(), 2);
        const cache::TUTExportTableObjectData& empty = package.Exports()[0];
        EXPECT_EQ(empty.Class, -2);
        EXPECT_EQ(empty.Object, 5);
        EXPECT_EQ(empty.Flags, 0x00070004u);
        EXPECT_EQ(empty.SerialSize, 0);
        EXPECT_EQ(empty.SerialOffset, 0);
        const cache::TUTExportTableObjectData& data = package.Exports()[1];
        EXPECT_EQ(data.Index, 1);
        EXPECT_EQ(data.Super, 3);
        EXPECT_EQ(data.Group, -1);
        EXPECT_EQ(data.SerialSize, 300);
        EXPECT_EQ(data.SerialOffset, 100000);

        if (version >= 68) {
            EXPECT_EQ(package.Heritage(), QList<QByteArray>{layout.guid});
            ASSERT_EQ(package.Generations().size(), 2);
            EXPECT_EQ(package.Generations()[1].ExportCount, 1);
            EXPECT_EQ(package.Generations()[1].NameCount, 5);
        } else {
            EXPECT_EQ(package.Heritage(), layout.heritage);
            EXPECT_TRUE(package.Generations().isEmpty());
        }
    }
}

TEST_F(PackageTest, TheGamesOwnPackageNamesItsImport) {
    PackageSpec layout;
    layout.names = names({"Core", "Engine", "MyTextures"});
    layout.imports = {{0, 1, 0, 2}};
    TUTPackage package;
    package.OpenPackage(write(u"DM-Foo.ut2"_s, layout));
    EXPECT_EQ(package.Version(), 128);
    EXPECT_EQ(package.ImportObjectName(package.ImportEntry(0)), u"MyTextures"_s);

    // The same bytes through a device that is not a file.
    QByteArray bytes = testing_support::packageBytes(layout);
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    TUTPackage fromMemory;
    fromMemory.OpenPackage(buffer, u"DM-Foo.ut2"_s);
    EXPECT_EQ(fromMemory.ImportObjectName(fromMemory.ImportEntry(0)), u"MyTextures"_s);
}

TEST_F(PackageTest, VariantFromExtensionOrLicenseeMode) {
    struct Case {
        const char* file;
        quint16 licenseeMode;
        PackageVariant asked;
        PackageVariant expected;
    };
    const Case cases[] = {
        {"A.ut2", 0, PackageVariant::Detect, PackageVariant::UT2004},
        {"B.UT2", 0, PackageVariant::Detect, PackageVariant::UT2004},
        {"C.utx", 29, PackageVariant::Detect, PackageVariant::UT2004},
        {"D.utx", 25, PackageVariant::Detect, PackageVariant::UT2004},
        {"E.utx", 24, PackageVariant::Detect, PackageVariant::Detect},
        {"F.utx", 30, PackageVariant::Detect, PackageVariant::Detect},
        {"G.u", 0, PackageVariant::UT2004, PackageVariant::UT2004},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        PackageSpec layout;
        layout.licenseeMode = c.licenseeMode;
        TUTPackage package;
        package.OpenPackage(write(QString::fromLatin1(c.file), layout), c.asked);
        EXPECT_EQ(package.Variant(), c.expected);
    }
}

TEST_F(PackageTest, ShortOrForeignFilesAreNoPackage) {
    const QByteArray signature("\xC1\x83\x2A\x9E", 4);
    EXPECT_EQ(openError<EInvalidUTPackage>(tree.file(u"empty.utx"_s)), InvalidText);
    EXPECT_EQ(openError<EInvalidUTPackage>(tree.file(u"three.utx"_s, signature.first(3))),
              InvalidText);
    EXPECT_EQ(
        openError<EInvalidUTPackage>(tree.file(u"zip.utx"_s, "PK\x03\x04" + QByteArray(96, 'x'))),
        InvalidText);
    EXPECT_EQ(openError<EInvalidUTPackage>(
                  tree.file(u"near.utx"_s, "\xC1\x83\x2A\x9F" + QByteArray(96, '\0'))),
              InvalidText);

    // A signature alone is a package whose header is cut short.
    const QString cut = tree.file(u"cut.utx"_s, signature + QByteArray(20, '\0'));
    EXPECT_EQ(openError<EProcessingUTPackage>(cut),
              processingText(cut, u"The package header runs past the end of the file"_s));

    const QString missing = tree.path(u"missing.utx"_s);
    EXPECT_TRUE(openError<EProcessingUTPackage>(missing).startsWith(
        processingText(missing, u"Cannot open file \""_s + missing + u"\". "_s)));
}

TEST_F(PackageTest, TablesBeyondTheEndFailWithTheirName) {
    PackageSpec beyond = fullSpec(128);
    beyond.importOffset = 5000;
    const QString path = write(u"Beyond.ut2"_s, beyond);
    EXPECT_EQ(openError<EProcessingUTPackage>(path),
              processingText(path, u"The import table runs past the end of the file"_s));

    // Nothing is read from a table without entries, wherever it points.
    PackageSpec noImports = fullSpec(128);
    noImports.imports.clear();
    noImports.importOffset = 5000;
    TUTPackage package;
    package.OpenPackage(write(u"NoImports.ut2"_s, noImports));
    EXPECT_EQ(package.ImportCount(), 0);
    EXPECT_EQ(package.Exports().size(), 2);
}

TEST_F(PackageTest, HostileCountsEndAtTheEndOfTheFile) {
    // Each count claims 2^31 - 1 entries of a package of a hundred-odd
    // bytes: the file's end stops the read, no allocation is made for it.
    struct Case {
        const char* table;
        quint16 version;
        std::function<void(PackageSpec&)> set;
    };
    const Case cases[] = {
        {"name table", 128, [](PackageSpec& s) { s.nameCount = Int32Max; }},
        {"name table", 61, [](PackageSpec& s) { s.nameCount = Int32Max; }},
        {"export table", 128, [](PackageSpec& s) { s.exportCount = Int32Max; }},
        {"import table", 128, [](PackageSpec& s) { s.importCount = Int32Max; }},
        {"generation table", 128, [](PackageSpec& s) { s.generationCount = Int32Max; }},
        {"heritage table", 61, [](PackageSpec& s) { s.heritageCount = Int32Max; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        PackageSpec layout = fullSpec(c.version);
        c.set(layout);
        const QString path = write(u"Huge.utx"_s, layout);
        EXPECT_EQ(openError<EProcessingUTPackage>(path),
                  processingText(path, u"The "_s + QLatin1String(c.table) +
                                           u" runs past the end of the file"_s));
    }

    // Counts below 1 read nothing.
    PackageSpec negative = fullSpec(128);
    negative.nameCount = -1;
    negative.importCount = Int32Min;
    TUTPackage package;
    package.OpenPackage(write(u"Negative.utx"_s, negative));
    EXPECT_TRUE(package.Names().isEmpty());
    EXPECT_EQ(package.ImportCount(), 0);
    EXPECT_EQ(package.Exports().size(), 2);
}

TEST_F(PackageTest, MarkerBeforeTheGuidIsSkipped) {
    PackageSpec layout = fullSpec(128);
    layout.beforeGuid = QByteArray::fromHex("DEADF00F0102FF");
    TUTPackage package;
    package.OpenPackage(write(u"Marked.utx"_s, layout));
    EXPECT_EQ(package.Heritage(), QList<QByteArray>{layout.guid});
    EXPECT_EQ(package.Generations().size(), 2);
    EXPECT_EQ(package.ImportObjectName(package.ImportEntry(0)), u"MyTextures"_s);

    // A marker whose end byte never comes.
    PackageSpec unended;
    unended.beforeGuid = QByteArray::fromHex("DEADF00F0102");
    unended.guid = QByteArray(16, '\x11');
    unended.generations.clear();
    const QString path = write(u"Unended.utx"_s, unended);
    EXPECT_EQ(openError<EProcessingUTPackage>(path),
              processingText(path, u"The package header runs past the end of the file"_s));
}

TEST_F(PackageTest, IndexesOutsideTheTablesGiveNothing) {
    PackageSpec layout;
    layout.names = names({"Core", "Engine", "MyTextures"});
    layout.imports = {{0, 1, 0, -1}, {0, 1, 0, 3}, {0, 1, 0, 2}};
    TUTPackage package;
    package.OpenPackage(write(u"Range.ut2"_s, layout));
    ASSERT_EQ(package.ImportCount(), 3);
    EXPECT_EQ(package.ImportEntry(-1), nullptr);
    EXPECT_EQ(package.ImportEntry(3), nullptr);
    EXPECT_EQ(package.ImportObjectName(nullptr), QString());
    EXPECT_EQ(package.ImportObjectName(package.ImportEntry(0)), QString());
    EXPECT_EQ(package.ImportObjectName(package.ImportEntry(1)), QString());
    EXPECT_EQ(package.ImportObjectName(package.ImportEntry(2)), u"MyTextures"_s);
    EXPECT_EQ(package.NameAt(Int32Min), QString());
    EXPECT_EQ(package.NameAt(0), u"Core"_s);
}

TEST_F(PackageTest, ExportsWithoutDataStoreNoOffset) {
    PackageSpec layout;
    layout.names = names({"Core", "Engine"});
    layout.exports = {{1, 0, 0, 0, 0x1, 0, 0}, {1, 0, 0, 1, 0x2, -7, 0}, {1, 0, 0, 1, 0x3, 1, 70}};
    TUTPackage package;
    package.OpenPackage(write(u"Serial.utx"_s, layout));
    ASSERT_EQ(package.Exports().size(), 3);
    EXPECT_EQ(package.Exports()[1].SerialSize, -7);
    EXPECT_EQ(package.Exports()[1].SerialOffset, 0);
    const cache::TUTExportTableObjectData& last = package.Exports()[2];
    EXPECT_EQ(last.Index, 2);
    EXPECT_EQ(last.Flags, 0x3u);
    EXPECT_EQ(last.SerialSize, 1);
    EXPECT_EQ(last.SerialOffset, 70);
}

TEST_F(PackageTest, NameForms) {
    PackageSpec layout;
    layout.names = {
        {"", 0x11, QByteArray("\x01\x00", 2)}, // length 1: only the terminating zero
        {"", 0x22, QByteArray("\x00", 1)},     // length 0: nothing more
        {"Caf\xE9", 0x33, std::nullopt},       // Windows-1252
        {"Engine", 0x44, std::nullopt},
    };
    TUTPackage package;
    package.OpenPackage(write(u"Names.utx"_s, layout));
    ASSERT_EQ(package.Names().size(), 4);
    EXPECT_EQ(package.Names()[0].Name, QString());
    EXPECT_EQ(package.Names()[0].Flags, 0x11u);
    EXPECT_EQ(package.Names()[1].Name, QString());
    EXPECT_EQ(package.Names()[1].Flags, 0x22u);
    EXPECT_EQ(package.Names()[2].Name, u"Caf\u00E9"_s);
    EXPECT_EQ(package.Names()[3].Name, u"Engine"_s);
    EXPECT_EQ(package.Names()[3].Flags, 0x44u);

    // A name below version 64 that never ends runs past the file's end.
    PackageSpec unended = fullSpec(61);
    unended.names = {{"", 0, QByteArray("NoEnd")}};
    unended.objectData.clear();
    unended.imports.clear();
    unended.exports.clear();
    unended.heritage.clear();
    const QString path = write(u"Unended.utx"_s, unended);
    EXPECT_EQ(openError<EProcessingUTPackage>(path),
              processingText(path, u"The name table runs past the end of the file"_s));
}

TEST_F(PackageTest, TablesLargerThanOneReadKeepEveryEntry) {
    // The reader holds only a window of the file; entries that straddle
    // its refills, and a name longer than any window, must read whole.
    for (quint16 version : std::initializer_list<quint16>{61, 128}) {
        SCOPED_TRACE(version);
        PackageSpec layout;
        layout.version = version;
        for (int i = 0; i < 6000; ++i) {
            layout.names.append(
                PackageName{"Name" + QByteArray::number(i) + QByteArray(i % 23, 'x'), quint32(i),
                            std::nullopt});
            layout.imports.append(PackageImport{0, 1, -i, i});
        }
        const QByteArray longName(200 * 1024, 'L');
        if (version < 64)
            layout.names.append(PackageName{longName, 7, std::nullopt});
        TUTPackage package;
        package.OpenPackage(write(u"Large.utx"_s, layout));
        ASSERT_EQ(package.ImportCount(), 6000);
        for (int i : {0, 2999, 5999}) {
            SCOPED_TRACE(i);
            EXPECT_EQ(package.ImportEntry(i)->Package, -i);
            EXPECT_EQ(package.ImportObjectName(package.ImportEntry(i)),
                      u"Name"_s + QString::number(i) + QString(i % 23, u'x'));
            EXPECT_EQ(package.Names()[i].Flags, quint32(i));
        }
        if (version < 64) {
            ASSERT_EQ(package.Names().size(), 6001);
            EXPECT_EQ(package.Names().last().Name, QString::fromLatin1(longName));
            EXPECT_EQ(package.Names().last().Flags, 7u);
        }
    }
}

TEST_F(PackageTest, OpeningAgainDiscardsThePackageBefore) {
    TUTPackage package;
    package.OpenPackage(write(u"First.ut2"_s, fullSpec(128)));
    ASSERT_EQ(package.ImportCount(), 2);

    PackageSpec second;
    second.names = names({"Core", "Other"});
    second.imports = {{0, 0, 0, 1}};
    const QString secondPath = write(u"Second.utx"_s, second);
    package.OpenPackage(secondPath);
    EXPECT_EQ(package.FileName(), secondPath);
    EXPECT_EQ(package.Names().size(), 2);
    EXPECT_EQ(package.ImportCount(), 1);
    EXPECT_EQ(package.ImportObjectName(package.ImportEntry(0)), u"Other"_s);
    EXPECT_TRUE(package.Exports().isEmpty());
    EXPECT_EQ(package.Generations().size(), 1);

    // A failed open leaves nothing of the package before either.
    EXPECT_THROW(package.OpenPackage(tree.file(u"bad.utx"_s, "not a package")), EInvalidUTPackage);
    EXPECT_EQ(package.ImportCount(), 0);
    EXPECT_TRUE(package.Names().isEmpty());
    EXPECT_TRUE(package.Heritage().isEmpty());
}

} // namespace
