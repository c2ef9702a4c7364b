#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

/// Keeps the window painted while a long command works on the
/// user-interface thread: a call processes the pending events, at most once
/// every `everyMs` milliseconds, so that a run of many small steps is not
/// slowed down. Input that arrives this way (a drop, a click, a menu key)
/// reaches the command boundary, which refuses it while a long command
/// runs; a close request is answered by CanClose.
class KeepPainted {
public:
    /// Often enough for the eye, rare enough to cost nothing against copying.
    static constexpr qint64 DefaultEveryMs = 15;

    explicit KeepPainted(qint64 everyMs = DefaultEveryMs) : everyMs_(everyMs) {}

    void operator()();

private:
    qint64 everyMs_;
    QElapsedTimer since_;
};
