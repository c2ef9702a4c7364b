#include "gui/main_window.h"
#include "platform/signal_watcher.h"

#include <QApplication>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Quorvel"_s);
    QApplication::setApplicationDisplayName(u"Quorvel"_s);
    QApplication::setApplicationVersion(u"2.05"_s);
    // Lets the desktop match the window to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(u"org.quorvel.quorvel"_s);

    TForm1 window;
    if (window.startRefused())
        return 1;
    // SIGTERM and SIGINT close the window as its close button does: the
    // close query first (refused while a long command runs), then the
    // shut-down, after which the last window closing ends the program.
    platform::SignalWatcher signals;
    QObject::connect(&signals, &platform::SignalWatcher::terminationRequested, &window,
                     [&window](int) { window.close(); });
    window.show();
    return QApplication::exec();
}
