# Precompiled headers. Parsing Qt's headers in C++20 is about half the time
# of compiling one of our files (gcc -ftime-report), so each group of
# targets parses them once: the layers and the programs on the core share
# one set, the widgets another, the tests one each for core and window tests.
# -DQUORVEL_PCH=OFF builds without them, to find a file that includes too
# little and compiled only because the set had what it missed.
option(QUORVEL_PCH "Precompile the Qt and standard headers" ON)

set(QUORVEL_PCH_CORE
    <QByteArray> <QDir> <QFile> <QFileInfo> <QHash> <QList> <QObject> <QSet> <QString>
    <QStringList> <algorithm> <functional> <memory> <optional> <utility> <vector>)
set(QUORVEL_PCH_WIDGETS <QApplication> <QLabel> <QListWidget> <QPushButton> <QWidget>)
set(QUORVEL_PCH_TESTS <gtest/gtest.h> <gmock/gmock.h> <QProcess>)

# quorvel_precompile(<owner> HEADERS <header>... [USERS <target>...]):
# <owner> compiles the headers; each user reuses its compiled set, so its
# compile flags must be the owner's (all take them from quorvel_options).
function(quorvel_precompile owner)
    if(NOT QUORVEL_PCH)
        return()
    endif()
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "HEADERS;USERS")
    target_precompile_headers(${owner} PRIVATE ${arg_HEADERS})
    foreach(user ${arg_USERS})
        target_precompile_headers(${user} REUSE_FROM ${owner})
    endforeach()
endfunction()
