#pragma once

#include <QDate>
#include <QString>

#include <functional>

namespace platform {

/// Today's date, injectable so tests can pin it.
class Clock {
public:
    Clock() : today_([] { return QDate::currentDate(); }) {}
    explicit Clock(std::function<QDate()> today) : today_(std::move(today)) {}
    QDate today() const { return today_(); }
    /// The stored short date text: "yyyy-MM-dd".
    QString todayText() const;
    static QString dateText(QDate date);

private:
    std::function<QDate()> today_;
};

} // namespace platform
