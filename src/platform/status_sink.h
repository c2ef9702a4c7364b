#pragma once

#include <QString>

namespace platform {

/// Where the one-line status text goes (the status bar in the program).
class StatusSink {
public:
    virtual ~StatusSink() = default;
    virtual void setStatus(const QString& text) = 0;
    virtual QString status() const = 0;
};

/// A sink that only keeps the text; for core code run without a window.
class MemoryStatusSink : public StatusSink {
public:
    void setStatus(const QString& text) override { text_ = text; }
    QString status() const override { return text_; }

private:
    QString text_;
};

} // namespace platform
