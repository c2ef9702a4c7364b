#pragma once

#include <utility>

namespace archives {

/// Puts a value back as it was when the guard was made, when the guard
/// ends, however its scope ends: a backend lends its component's settings
/// and events to one call.
template <class T> class KeptValue {
public:
    explicit KeptValue(T& value) : value_(value), saved_(value) {}
    ~KeptValue() { value_ = std::move(saved_); }
    KeptValue(const KeptValue&) = delete;
    KeptValue& operator=(const KeptValue&) = delete;

private:
    T& value_;
    T saved_;
};

} // namespace archives
