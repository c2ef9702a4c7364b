#include "core/keep_painted.h"

#include <QCoreApplication>

void KeepPainted::operator()() {
    if (since_.isValid() && since_.elapsed() < everyMs_)
        return;
    // All events: a close request must be answered at once, not when the
    // run is over, and other input is refused by the command boundary.
    QCoreApplication::processEvents();
    since_.start();
}
