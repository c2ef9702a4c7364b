#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

/// Turns SIGTERM and SIGINT into a Qt signal on the event loop, so that a
/// desktop logout or Ctrl+C closes the window the way its close button does.
class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    void readSignal();
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace platform
