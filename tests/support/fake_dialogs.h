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
/// Cancel/No/empty, so a forgotten script never hangs a test.
class FakeDialogs : public platform::Dialogs {
public:
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
};

} // namespace testing_support
