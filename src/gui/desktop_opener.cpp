#include "gui/desktop_opener.h"

#include "core/command_boundary.h"
#include "platform/dialogs.h"

#include <QPoint>
#include <QProcess>
#include <QTimer>

#include <memory>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {
/// How often a box waiting for a long command to end looks again.
constexpr int BusyRetryMs = 200;
} // namespace

DesktopOpener::DesktopOpener(platform::Dialogs& dialogs, CommandBoundary& commands, QObject* parent)
    : QObject(parent), dialogs_(dialogs), commands_(commands) {}

void DesktopOpener::open(const QString& target, const QString& advice) {
    auto* process = new QProcess(this);
    process->setProgram(u"xdg-open"_s);
    process->setArguments({target});
    // What the desktop's tools say goes where Quorvel's own output goes.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    // Judged once, when it has ended or could not start; the box is shown
    // from the event loop, never from inside start().
    auto judged = std::make_shared<bool>(false);
    auto ended = [this, process, judged, target, advice](const platform::ProcessEnd& end) {
        if (std::exchange(*judged, true))
            return;
        process->deleteLater();
        const QString problem = problemText(end);
        if (!problem.isEmpty())
            QTimer::singleShot(
                0, this, [this, text = failureText(target, problem, advice)] { report(text); });
    };
    connect(process, &QProcess::finished, this, [ended](int code, QProcess::ExitStatus status) {
        ended(status == QProcess::NormalExit ? platform::ProcessEnd::exited(code)
                                             : platform::ProcessEnd::crashed());
    });
    connect(process, &QProcess::errorOccurred, this, [ended](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            ended(platform::ProcessEnd::notStarted());
    });
    process->start();
}

QString DesktopOpener::problemText(const platform::ProcessEnd& end) {
    using How = platform::ProcessEnd::How;
    if (end.how == How::NotStarted)
        return u"xdg-open, the desktop's opener, is not installed (package xdg-utils)."_s;
    if (end.how == How::Crashed)
        return u"xdg-open ended abnormally."_s;
    switch (end.exitCode) {
    case 0:
        return {};
    case 2:
        return u"The file is not there."_s;
    case 3:
        return u"The desktop has no program for this kind of file or address."_s;
    case 4:
        return u"The desktop's program for it failed to start or to open it."_s;
    default:
        return u"xdg-open failed with code "_s + QString::number(end.exitCode) + u'.';
    }
}

QString DesktopOpener::failureText(const QString& target, const QString& problem,
                                   const QString& advice) {
    return u"The desktop could not open "_s + target + u"\r\r"_s + problem + u"\r\r"_s + advice;
}

void DesktopOpener::report(const QString& text) {
    if (commands_.busy()) {
        QTimer::singleShot(BusyRetryMs, this, [this, text] { report(text); });
        return;
    }
    dialogs_.message(platform::MsgKind::Error, text, platform::Ok, QPoint(50, 125));
}
