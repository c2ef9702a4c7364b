#pragma once

#include "platform/dialogs.h"
#include "platform/status_sink.h"

#include <QString>
#include <QStringList>

/// What quorvel-cli says and asks on its terminal.
namespace cli {

/// Writes `text` and a line feed to standard output (UTF-8).
void printOut(const QString& text);
/// Writes `text` and a line feed to standard error (UTF-8).
void printErr(const QString& text);
/// A message of the core as the terminal shows it: every carriage return
/// (the line break of the window's boxes) becomes a line feed.
QString terminalText(const QString& text);

bool stdinIsTerminal();
bool stderrIsTerminal();

/// The status line on standard error: the text of the running step, and
/// for runs of several items how many are done with a bar. Drawn only when
/// standard error is a terminal and --quiet was not given; the text is
/// always kept, so the closing status can be printed.
class TerminalStatus : public platform::StatusSink {
public:
    explicit TerminalStatus(bool draw);
    ~TerminalStatus() override;
    TerminalStatus(const TerminalStatus&) = delete;
    TerminalStatus& operator=(const TerminalStatus&) = delete;

    void setStatus(const QString& text) override;
    QString status() const override { return text_; }
    void setProgress(int done, int total) override;
    /// Wipes the drawn line, so other output starts on a clean line.
    void clearLine();

private:
    void redraw();

    bool draw_;
    bool drawn_ = false;
    QString text_;
    int done_ = 0;
    int total_ = 0;
};

/// How questions are answered.
enum class Answers {
    Ask,      ///< on the terminal when standard input is one, else No
    Yes,      ///< --yes: Yes to each question
    YesToAll, ///< --yes-to-all: "Yes to all" where offered, else Yes
    No,       ///< --no
};

/// The Dialogs port on a terminal. Every box is printed on standard error
/// with its text; every question with the answer it got and why, so no
/// question is ever answered Yes unseen. Open, save and folder dialogs are
/// never reached by a command line verb and answer "cancelled".
class TerminalDialogs : public platform::Dialogs {
public:
    TerminalDialogs(Answers answers, TerminalStatus& status);

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

    /// An error was shown or a question was answered No: the run was not
    /// wholly done.
    bool somethingFailed() const { return failed_; }

private:
    void show(const QString& heading, const QString& text);
    platform::Button ask(platform::Buttons buttons);

    Answers answers_;
    TerminalStatus& status_;
    bool failed_ = false;
};

} // namespace cli
