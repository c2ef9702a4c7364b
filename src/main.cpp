#include "core/data_folder.h"
#include "gui/main_window.h"
#include "platform/signal_watcher.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QWidget>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Quorvel"_s);
    QApplication::setApplicationDisplayName(u"Quorvel"_s);
    QApplication::setApplicationVersion(u"2.05"_s);
    // Lets the desktop match the window to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(u"org.quorvel.quorvel"_s);

    // Qt has taken its own options (-platform, ...) out already.
    QCommandLineParser options;
    options.setApplicationDescription(
        u"File manager for Unreal Tournament 2004 maps, mutators and skins."_s);
    options.addHelpOption();
    options.addVersionOption();
    const QCommandLineOption data(
        u"data"_s,
        u"The data folder (default $XDG_DATA_HOME/Quorvel, else ~/.local/share/Quorvel), "_s
        u"the same as quorvel-cli's."_s,
        u"DIR"_s);
    options.addOption(data);
    QString problem;
    if (!options.parse(QCoreApplication::arguments()))
        problem = options.errorText();
    else if (!options.positionalArguments().isEmpty())
        problem =
            u"Unknown argument \""_s + options.positionalArguments().first() + u"\"; try --help."_s;
    else if (options.isSet(data) && options.value(data).isEmpty())
        problem = u"--data needs a folder."_s;
    if (!problem.isEmpty()) {
        std::fputs(qPrintable(u"quorvel: "_s + problem + u"\n"_s), stderr);
        return 2;
    }
    if (options.isSet(u"help"_s))
        options.showHelp(0);
    if (options.isSet(u"version"_s))
        options.showVersion();

    // SIGTERM and SIGINT close the window as its close button does: the
    // close query first (refused while a long command runs), then the
    // shut-down, after which the last window closing ends the program.
    // Watched from the start: one that comes while the start-up runs (its
    // scans keep events flowing) closes the window once it stands.
    platform::SignalWatcher signals;
    TForm1* started = nullptr;
    bool endAsked = false;
    QObject::connect(&signals, &platform::SignalWatcher::terminationRequested, &signals,
                     [&started, &endAsked](int) {
                         if (started) {
                             started->close();
                             return;
                         }
                         endAsked = true;
                         // A box of the start-up would otherwise wait for
                         // an answer no one gives: closed as Esc closes it.
                         if (QWidget* box = QApplication::activeModalWidget())
                             box->close();
                     });
    TForm1 window(data_folder::ChosenFolder(options.value(data)));
    if (window.startRefused())
        return 1;
    started = &window;
    if (endAsked && window.close())
        return 0;
    window.show();
    return QApplication::exec();
}
