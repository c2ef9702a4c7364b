// The texts of failed file operations, as the file helpers throw them.
#include "core/content_db.h"
#include "platform/errors.h"
#include "platform/io_errors.h"
#include "platform/text_file.h"
#include "support/tree_builder.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

QString thrownText(const std::function<void()>& run) {
    try {
        run();
    } catch (const platform::Error& e) {
        return e.text();
    }
    return u"(nothing thrown)"_s;
}

TEST(IoErrors, FailuresNameThePathWithTheSystemReason) {
    testing_support::TempTree tree;
    // Placeholders in a path stay as they are.
    const QString missing = tree.path(u"no %1 such/file %2.txt"_s);
    const QString reason = u"No such file or directory"_s;
    const QString openText = u"Cannot open file \""_s + missing + u"\". "_s + reason;

    EXPECT_EQ(thrownText([&] { platform::readLines(missing); }), openText);
    EXPECT_EQ(thrownText([&] { content_db::ReadAll(missing); }), openText);
    EXPECT_EQ(platform::cannotOpenText(missing, reason), openText);

    const QString created = thrownText([&] { platform::writeBytes(missing, "x"); });
    EXPECT_TRUE(created.startsWith(u"Cannot create file \""_s + missing + u"\". "_s))
        << created.toStdString();
    EXPECT_EQ(platform::cannotWriteText(missing, reason),
              u"Cannot write file \""_s + missing + u"\". "_s + reason);
    EXPECT_EQ(platform::readErrorText(missing, reason),
              u"Read error on \""_s + missing + u"\". "_s + reason);
    EXPECT_EQ(platform::cannotCreateFolderText(u"/t/Temp/"_s),
              u"Cannot create directory /t/Temp/"_s);
}

} // namespace
