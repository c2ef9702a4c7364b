// quorvel-cli: Quorvel's commands on the command line, on the same data
// folder and core as the window, without widgets.
#include "cli/command_line.h"
#include "cli/run_control.h"
#include "cli/session.h"
#include "cli/terminal.h"
#include "platform/errors.h"

#include <QCoreApplication>

#include <exception>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"quorvel-cli"_s);
    cli::watchInterrupts();
    try {
        const std::optional<cli::Invocation> call = cli::parseCommandLine(app.arguments());
        if (!call)
            return cli::Done;
        int code = cli::NotAllDone;
        {
            cli::Session session(call->global);
            try {
                code = session.finish(call->verb->run(session, *call));
            } catch (const platform::Error& e) {
                // The window's general error handler: the error's text, and on.
                session.dialogs().errorMessage(e.text());
            }
        }
        // The session is closed (its lock let go): a signal that came meanwhile
        // ends the program as it asked, after what was in progress.
        if (const int signal = cli::interruptSignal()) {
            cli::printErr(u"quorvel-cli: "_s + cli::interruptedText(signal));
            return 128 + signal;
        }
        return code;
    } catch (const cli::Interrupted& e) {
        cli::printErr(u"quorvel-cli: "_s + cli::interruptedText(e.signal));
        return 128 + e.signal;
    } catch (const cli::Exit& e) {
        if (!e.text.isEmpty())
            cli::printErr(u"quorvel-cli: "_s + cli::terminalText(e.text));
        return e.code;
    } catch (const platform::Error& e) {
        cli::printErr(u"quorvel-cli: "_s + cli::terminalText(e.text()));
        return cli::NotAllDone;
    } catch (const std::exception& e) {
        cli::printErr(u"quorvel-cli: "_s + QString::fromLocal8Bit(e.what()));
        return cli::NotAllDone;
    }
}
