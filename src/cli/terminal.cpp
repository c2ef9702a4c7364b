#include "cli/terminal.h"

#include "cli/cli_words.h"
#include "cli/run_control.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <bit>
#include <cstdio>
#include <string>

using namespace Qt::Literals::StringLiterals;

namespace cli {

namespace {

/// The status line drawn on the terminal now, if any: whatever else is
/// printed wipes it first, so no line starts behind it.
TerminalStatus* drawnLine = nullptr;

void writeLine(FILE* stream, const QString& text) {
    if (drawnLine)
        drawnLine->clearLine();
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

int terminalColumns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

/// One line from standard input, without its line end; nullopt at its end.
std::optional<QString> readLine() {
    std::string line;
    int c = 0;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n')
        line.push_back(char(c));
    if (c == EOF && line.empty())
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromLocal8Bit(line.data(), qsizetype(line.size()));
}

/// Standard input's echo switched off for as long as it lives.
class NoEcho {
public:
    NoEcho() {
        if (tcgetattr(STDIN_FILENO, &saved_) != 0)
            return;
        termios quiet = saved_;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        active_ = tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
    }
    ~NoEcho() {
        if (active_)
            tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    }
    NoEcho(const NoEcho&) = delete;
    NoEcho& operator=(const NoEcho&) = delete;

private:
    termios saved_{};
    bool active_ = false;
};

QString headingOf(platform::MsgKind kind) {
    switch (kind) {
    case platform::MsgKind::Warning:
        return u"Warning: "_s;
    case platform::MsgKind::Error:
        return u"Error: "_s;
    case platform::MsgKind::Information:
    case platform::MsgKind::Confirmation:
        break;
    }
    return {};
}

} // namespace

void printOut(const QString& text) {
    writeLine(stdout, text);
}

void printErr(const QString& text) {
    writeLine(stderr, text);
}

QString terminalText(const QString& text) {
    QString out = commandLineWords(text);
    out.replace(u"\r\n"_s, u"\n"_s);
    out.replace(u'\r', u'\n');
    return out;
}

bool stdinIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

bool stderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

TerminalStatus::TerminalStatus(bool draw) : draw_(draw) {}

TerminalStatus::~TerminalStatus() {
    clearLine();
}

void TerminalStatus::setProgress(int done, int total) {
    done_ = done;
    total_ = total;
    redraw();
    // Called between two items of a run: where a signal may stop it.
    if (total > 0)
        stopIfInterrupted();
}

void TerminalStatus::setStatus(const QString& text) {
    text_ = text;
    redraw();
}

void TerminalStatus::clearLine() {
    if (!drawn_)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    drawn_ = false;
    if (drawnLine == this)
        drawnLine = nullptr;
}

void TerminalStatus::redraw() {
    if (!draw_)
        return;
    QString line;
    if (total_ > 0) {
        constexpr int Width = 20;
        const int filled = int(qint64(Width) * qBound(0, done_, total_) / total_);
        line = u'[' + QString(filled, u'#') + QString(Width - filled, u'-') + u"] "_s +
               QString::number(done_) + u'/' + QString::number(total_) + u' ';
    }
    line += terminalText(text_).simplified();
    // One line: what does not fit is cut, so the next draw overwrites it all.
    line = line.left(qMax(1, terminalColumns() - 1));
    const QByteArray bytes = "\r\033[K" + line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
    drawn_ = true;
    drawnLine = this;
}

TerminalDialogs::TerminalDialogs(Answers answers, TerminalStatus& status)
    : answers_(answers), status_(status) {}

void TerminalDialogs::show(const QString& heading, const QString& text) {
    status_.clearLine();
    printErr(heading + terminalText(text));
}

platform::Button TerminalDialogs::message(platform::MsgKind kind, const QString& text,
                                          platform::Buttons buttons, QPoint) {
    show(headingOf(kind), text);
    // A box with one button tells; with more it asks.
    if (std::popcount(unsigned(buttons)) > 1)
        return ask(buttons);
    if (kind == platform::MsgKind::Error)
        failed_ = true;
    return buttons == platform::NoButton ? platform::Ok : platform::Button(buttons);
}

platform::Button TerminalDialogs::ask(platform::Buttons buttons) {
    const platform::Button yes = (buttons & platform::Yes) ? platform::Yes : platform::Ok;
    const platform::Button no = (buttons & platform::No) ? platform::No : platform::Cancel;
    const bool offersAll = (buttons & platform::YesToAll) != 0;
    platform::Button answer = no;
    QString why;
    switch (answers_) {
    case Answers::Yes:
        answer = yes;
        why = u"--yes"_s;
        break;
    case Answers::YesToAll:
        answer = offersAll ? platform::YesToAll : yes;
        why = u"--yes-to-all"_s;
        break;
    case Answers::No:
        answer = no;
        why = u"--no"_s;
        break;
    case Answers::Ask:
        if (!stdinIsTerminal()) {
            answer = no;
            why = u"standard input is not a terminal; --yes answers Yes"_s;
            break;
        }
        for (;;) {
            status_.clearLine();
            std::fputs(offersAll ? "[y]es, [n]o or yes to [a]ll? " : "[y]es or [n]o? ", stderr);
            std::fflush(stderr);
            const std::optional<QString> line = readLine();
            if (!line) {
                answer = no;
                why = u"end of input"_s;
                break;
            }
            const QString word = line->trimmed().toLower();
            if (word == u"y"_s || word == u"yes"_s) {
                answer = yes;
                break;
            }
            if (word == u"n"_s || word == u"no"_s) {
                answer = no;
                break;
            }
            if (offersAll && (word == u"a"_s || word == u"all"_s)) {
                answer = platform::YesToAll;
                break;
            }
        }
        break;
    }
    const QString said = answer == platform::YesToAll ? u"Yes to all"_s
                         : answer == yes              ? u"Yes"_s
                                                      : u"No"_s;
    if (!why.isEmpty())
        printErr(u"  -> "_s + said + u" ("_s + why + u')');
    if (answer == no)
        failed_ = true;
    return answer;
}

void TerminalDialogs::plainMessage(const QString& text) {
    show(QString(), text);
    failed_ = true;
}

void TerminalDialogs::errorMessage(const QString& text) {
    show(u"Error: "_s, text);
    failed_ = true;
}

std::optional<QString> TerminalDialogs::inputText(const QString& caption, const QString& prompt,
                                                  const QString&) {
    show(QString(), caption + u": "_s + prompt);
    if (!stdinIsTerminal()) {
        printErr(u"  -> none given (standard input is not a terminal)"_s);
        failed_ = true;
        return std::nullopt;
    }
    std::fputs("> ", stderr);
    std::fflush(stderr);
    std::optional<QString> line;
    {
        const NoEcho noEcho;
        line = readLine();
    }
    std::fputs("\n", stderr);
    if (!line || line->isEmpty()) {
        failed_ = true;
        return std::nullopt;
    }
    return line;
}

QStringList TerminalDialogs::openFiles(const QString&, const QString&, const QString&) {
    return {};
}

QString TerminalDialogs::saveFile(const QString&, const QString&, const QString&, const QString&) {
    return {};
}

QString TerminalDialogs::chooseFolder(const QString&, const QString&, bool) {
    return {};
}

} // namespace cli
