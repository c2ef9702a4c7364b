// The dialog fake is what makes every dialog-driven test strict: these cases
// prove that it fails a test both for a question nobody scripted and for a
// scripted answer that no question took.
#include "support/fake_dialogs.h"
#include "support/qt_printers.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace Qt::Literals::StringLiterals;
using testing_support::FakeDialogs;

namespace {

/// The messages of the failures that `body` adds, without failing this test.
std::vector<std::string> failuresOf(const std::function<void()>& body) {
    ::testing::TestPartResultArray results;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        body();
    }
    std::vector<std::string> out;
    for (int i = 0; i < results.size(); ++i)
        out.emplace_back(results.GetTestPartResult(i).message());
    return out;
}

} // namespace

TEST(FakeDialogs, LeftoverAnswersFailNamingTheQueueAndTheAnswers) {
    struct Case {
        const char* queue;
        std::function<void(FakeDialogs&)> script;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"buttonAnswers",
         [](FakeDialogs& d) {
             d.buttonAnswers = {platform::Yes, platform::YesToAll};
         },
         "buttonAnswers: Yes, YesToAll"},
        {"inputAnswers",
         [](FakeDialogs& d) {
             d.inputAnswers = {u"DM-Rankin"_s, std::nullopt};
         },
         "inputAnswers: \"DM-Rankin\", cancel"},
        {"openAnswers",
         [](FakeDialogs& d) {
             d.openAnswers = {{u"/a.zip"_s, u"/b.rar"_s}};
         },
         "openAnswers: [\"/a.zip\", \"/b.rar\"]"},
        {"saveAnswers", [](FakeDialogs& d) { d.saveAnswers = {u"/r.txt"_s}; },
         "saveAnswers: \"/r.txt\""},
        {"folderAnswers", [](FakeDialogs& d) { d.folderAnswers = {u"/maps"_s}; },
         "folderAnswers: \"/maps\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.queue);
        const auto failures = failuresOf([&] {
            FakeDialogs dialogs;
            c.script(dialogs);
        });
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_NE(failures[0].find("never used in " + c.expected), std::string::npos)
            << failures[0];
    }
}

TEST(FakeDialogs, EveryLeftQueueIsReportedOnceWhetherVerifiedOrDestroyed) {
    const auto failures = failuresOf([] {
        FakeDialogs dialogs;
        dialogs.buttonAnswers = {platform::No};
        dialogs.folderAnswers = {u"/x"_s};
        dialogs.verifyAllAnswersUsed();
        // The queues are empty now: the destructor adds nothing more.
    });
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_NE(failures[0].find("buttonAnswers: No"), std::string::npos) << failures[0];
    EXPECT_NE(failures[1].find("folderAnswers: \"/x\""), std::string::npos) << failures[1];
}

TEST(FakeDialogs, AnswersTakenInOrderLeaveNothingToReport) {
    const auto failures = failuresOf([] {
        FakeDialogs dialogs;
        dialogs.buttonAnswers = {platform::Yes, platform::No};
        dialogs.inputAnswers = {u"name"_s};
        dialogs.saveAnswers = {u"/out.txt"_s};
        // A box with only OK takes no scripted answer.
        EXPECT_EQ(dialogs.message(platform::MsgKind::Information, u"done"_s, platform::Ok, {}),
                  platform::Ok);
        EXPECT_EQ(dialogs.message(platform::MsgKind::Confirmation, u"one?"_s,
                                  platform::Yes | platform::No, {}),
                  platform::Yes);
        EXPECT_EQ(dialogs.message(platform::MsgKind::Confirmation, u"two?"_s,
                                  platform::Yes | platform::No, {}),
                  platform::No);
        EXPECT_EQ(dialogs.inputText(u"Caption"_s, u"Prompt"_s, {}), u"name"_s);
        EXPECT_EQ(dialogs.saveFile(u"Save"_s, {}, {}, {}), u"/out.txt"_s);
        EXPECT_EQ(dialogs.texts(),
                  QStringList({u"done"_s, u"one?"_s, u"two?"_s, u"Prompt"_s, u"Save"_s}));
    });
    EXPECT_TRUE(failures.empty()) << failures.front();
}

TEST(FakeDialogs, UnscriptedQuestionFailsAndAnswersNegatively) {
    std::optional<QString> input = u"x"_s;
    platform::Button button = platform::Yes;
    QString folder = u"x"_s;
    const auto failures = failuresOf([&] {
        FakeDialogs dialogs;
        button = dialogs.message(platform::MsgKind::Warning, u"Replace?"_s,
                                 platform::Yes | platform::No, {});
        input = dialogs.inputText(u"Caption"_s, u"Name?"_s, u"default"_s);
        folder = dialogs.chooseFolder(u"Where?"_s, {}, true);
    });
    EXPECT_EQ(button, platform::Cancel);
    EXPECT_EQ(input, std::nullopt);
    EXPECT_TRUE(folder.isEmpty());
    ASSERT_EQ(failures.size(), 3u);
    EXPECT_NE(failures[0].find("unscripted dialog: Replace?"), std::string::npos) << failures[0];
    EXPECT_NE(failures[1].find("unscripted dialog: Name?"), std::string::npos) << failures[1];
    EXPECT_NE(failures[2].find("unscripted dialog: Where?"), std::string::npos) << failures[2];
}
