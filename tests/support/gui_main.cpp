#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "support/tests_of_file.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    ::testing::InitGoogleTest(&argc, argv);
    if (!testing_support::selectTestsOfFile(argc, argv))
        return 1;
    return RUN_ALL_TESTS();
}
