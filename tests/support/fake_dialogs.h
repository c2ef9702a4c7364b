#pragma once

#include "platform/dialogs.h"

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

namespace testing_support {

/// What a scripted dialog was asked.
struct ShownDialog {
    enum Type { Message, Plain, ErrorBox, Input, OpenFiles, SaveFile, Folder } type;
    platform::MsgKind kind = platform::MsgKind::Information;
    QString text;    ///< message text, input prompt or folder prompt
    QString caption; ///< input caption or dialog title
    platform::Buttons buttons = 0;
    QPoint offset;
};

/// A Dialogs port that records every dialog and answers from queues.
/// A dialog without a queued answer fails the running test and answers
/// Cancel/No/empty, so a forgotten script never hangs a test. An answer
/// still queued when the fake goes away fails the test too: the code did
/// not ask a question the test expected it to ask.
class FakeDialogs : public platform::Dialogs {
public:
    FakeDialogs() = default;
    FakeDialogs(const FakeDialogs&) = delete;
    FakeDialogs& operator=(const FakeDialogs&) = delete;
    /// Calls verifyAllAnswersUsed(), unless the test has already stopped
    /// at a fatal failure (its unused answers then say nothing new).
    ~FakeDialogs() override;

    std::deque<platform::Button> buttonAnswers;
    std::deque<std::optional<QString>> inputAnswers;
    std::deque<QStringList> openAnswers;
    std::deque<QString> saveAnswers;
    std::deque<QString> folderAnswers;
    QList<ShownDialog> shown;

    platform::Button message(platform::MsgKind kind, const QString& text, platform::Buttons buttons,
                             QPoint offset) override;
    void plainMessage(const QString& text) override;
    void errorMessage(const QString& text) override;
    std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                     const QString& defaultText) override;
    QStringList openFiles(const QString& title, const QString& folder,
                          const QString& filter) override;
    QString saveFile(const QString& title, const QString& folder, const QString& filter,
                     const QString& defaultSuffix) override;
    QString chooseFolder(const QString& prompt, const QString& startFolder,
                         bool canCreate) override;

    /// Texts of all dialogs shown, in order.
    QStringList texts() const;

    /// Adds a test failure for each queue that still holds answers, naming
    /// the queue and the answers left, and empties the queues.
    void verifyAllAnswersUsed();
};

} // namespace testing_support
