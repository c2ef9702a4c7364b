#pragma once

#include <QString>

namespace platform {

/// Where the one-line status text goes (the status bar in the program).
class StatusSink {
public:
    virtual ~StatusSink() = default;
    virtual void setStatus(const QString& text) = 0;
    virtual QString status() const = 0;
    /// Progress of a run of several items beside the text: `done` of
    /// `total`; a total of 0 hides it. Sinks without a bar ignore it.
    virtual void setProgress(int /*done*/, int /*total*/) {}
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
