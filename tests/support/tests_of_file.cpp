#include "support/tests_of_file.h"

#include <gtest/gtest.h>

#include <fnmatch.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

namespace {

std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> out;
    std::string::size_type from = 0;
    while (from <= text.size()) {
        const std::string::size_type to = std::min(text.find(':', from), text.size());
        if (to > from)
            out.push_back(text.substr(from, to - from));
        from = to + 1;
    }
    return out;
}

bool matchesAny(const std::vector<std::string>& patterns, const std::string& name) {
    for (const std::string& pattern : patterns) {
        if (fnmatch(pattern.c_str(), name.c_str(), 0) == 0)
            return true;
    }
    return false;
}

/// GoogleTest's filter: positive patterns, then after '-' negative ones.
bool passesFilter(const std::string& filter, const std::string& name) {
    const std::string::size_type dash = filter.find('-');
    const std::string positive = filter.substr(0, dash);
    const std::string negative =
        dash == std::string::npos ? std::string() : filter.substr(dash + 1);
    const std::vector<std::string> wanted = split(positive);
    return (wanted.empty() || matchesAny(wanted, name)) && !matchesAny(split(negative), name);
}

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

} // namespace

bool selectTestsOfFile(int argc, char** argv) {
    constexpr std::string_view option = "--tests-of=";
    std::string file;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.substr(0, option.size()) == option)
            file = "/" + std::string(arg.substr(option.size()));
    }
    if (file.empty())
        return true;
    const std::string filter = GTEST_FLAG_GET(filter);
    std::string selected;
    const testing::UnitTest& all = *testing::UnitTest::GetInstance();
    for (int s = 0; s < all.total_test_suite_count(); ++s) {
        const testing::TestSuite& suite = *all.GetTestSuite(s);
        for (int t = 0; t < suite.total_test_count(); ++t) {
            const testing::TestInfo& test = *suite.GetTestInfo(t);
            const std::string name = std::string(suite.name()) + "." + test.name();
            if (endsWith(test.file(), file) && passesFilter(filter, name))
                selected += (selected.empty() ? "" : ":") + name;
        }
    }
    if (selected.empty()) {
        std::fprintf(stderr, "no test of %s in this program matches '%s'\n", file.c_str() + 1,
                     filter.c_str());
        return false;
    }
    GTEST_FLAG_SET(filter, selected);
    return true;
}

} // namespace testing_support
