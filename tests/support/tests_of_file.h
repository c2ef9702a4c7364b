#pragma once

namespace testing_support {

/// Limits the run to the tests of one source file when the command line
/// says `--tests-of=FOLDER/FILE.cpp` (each folder's tests are one program,
/// and ctest runs each file's tests as a test of its own). A --gtest_filter
/// given as well still applies. Call after InitGoogleTest, which leaves the
/// option in argv. False, with a message, when the file has no test in this
/// program (a misspelt name must not pass as a green run).
bool selectTestsOfFile(int argc, char** argv);

} // namespace testing_support
