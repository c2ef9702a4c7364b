#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

/// The four kinds of message box the program shows.
enum class MsgKind { Warning, Error, Information, Confirmation };

/// Buttons of a message box; combine with |. The answer is one of them.
enum Button : int {
    NoButton = 0,
    Ok = 1,
    Cancel = 2,
    Yes = 4,
    No = 8,
    YesToAll = 16,
    Abort = 32,
    Retry = 64,
    Ignore = 128,
};
using Buttons = int;

/// One port for every question and message the program puts to the user,
/// so that core code can ask without widgets and tests can script answers.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    /// A message box of the given kind placed at the main window's
    /// top-left corner + offset. Returns the button pressed (Cancel or No
    /// when the box is closed without a choice).
    virtual Button message(MsgKind kind, const QString& text, Buttons buttons, QPoint offset) = 0;

    /// The plain box centred on the screen with an OK button.
    virtual void plainMessage(const QString& text) = 0;

    /// The error box of the general error handler: centred, OK button.
    virtual void errorMessage(const QString& text) = 0;

    /// Text input box. nullopt when cancelled.
    virtual std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                             const QString& defaultText) = 0;

    /// Multi-select open dialog; empty when cancelled.
    virtual QStringList openFiles(const QString& title, const QString& folder,
                                  const QString& filter) = 0;

    /// Save dialog (asks before overwriting); empty when cancelled.
    virtual QString saveFile(const QString& title, const QString& folder, const QString& filter,
                             const QString& defaultSuffix) = 0;

    /// Folder chooser with a prompt; empty when cancelled.
    virtual QString chooseFolder(const QString& prompt, const QString& startFolder,
                                 bool canCreate) = 0;
};

} // namespace platform
