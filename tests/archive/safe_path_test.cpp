#include "archive/safe_path.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

TEST(SafePath, EntriesNeverLeaveTheirBase) {
    struct Case {
        QString entry;
        QString flat;
        QString kept;
    };
    const Case cases[] = {
        {u"DM-A.ut2"_s, u"/t/DM-A.ut2"_s, u"/t/DM-A.ut2"_s},
        {u"Maps\\DM-A.ut2"_s, u"/t/DM-A.ut2"_s, u"/t/Maps/DM-A.ut2"_s},
        {u"../x"_s, u"/t/x"_s, u"/t/x"_s},
        {u"/abs/y"_s, u"/t/y"_s, u"/t/abs/y"_s},
        {u"C:\\Windows\\z.dll"_s, u"/t/z.dll"_s, u"/t/Windows/z.dll"_s},
        {u"a/../../x"_s, u"/t/x"_s, u"/t/a/x"_s},
        {u"..\\..\\..\\etc\\passwd"_s, u"/t/passwd"_s, u"/t/etc/passwd"_s},
        {u"./a//b/./c"_s, u"/t/c"_s, u"/t/a/b/c"_s},
        {u".."_s, QString(), QString()},
        {u"/"_s, QString(), QString()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(archives::confinedTarget(u"/t/"_s, c.entry, false), c.flat)
            << c.entry.toStdString();
        EXPECT_EQ(archives::confinedTarget(u"/t"_s, c.entry, true), c.kept)
            << c.entry.toStdString();
    }
}

TEST(SafePath, EmptyBaseIsTheWorkingFolderNotTheRoot) {
    // By its full path: a bare ":/..." would be one of the program's resources.
    const QString work = QDir::currentPath();
    EXPECT_EQ(archives::confinedTarget(QString(), u"/abs/y"_s, true), work + u"/abs/y"_s);
    EXPECT_EQ(archives::confinedTarget(QString(), u"x.txt"_s, false), work + u"/x.txt"_s);
    EXPECT_EQ(archives::confinedTarget(QString(), u":/icons/x.svg"_s, true),
              work + u"/:/icons/x.svg"_s);
    EXPECT_EQ(archives::confinedTarget(u"/"_s, u"x.txt"_s, false), u"/x.txt"_s);
}
