#include "platform/clock.h"

using namespace Qt::Literals::StringLiterals;

namespace platform {

QString Clock::dateText(QDate date) {
    return date.toString(u"yyyy-MM-dd"_s);
}

QString Clock::todayText() const {
    return dateText(today());
}

} // namespace platform
