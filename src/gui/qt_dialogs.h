#pragma once

#include "platform/dialogs.h"

class QWidget;

namespace platform {

/// The Dialogs port shown with real Qt dialogs, placed relative to the
/// main window.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* mainWindow) : mainWindow_(mainWindow) {}

    Button message(MsgKind kind, const QString& text, Buttons buttons, QPoint offset) override;
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

    /// Message texts keep the program's carriage returns; shown as breaks.
    static QString displayText(const QString& text);

private:
    QWidget* mainWindow_;
};

} // namespace platform
