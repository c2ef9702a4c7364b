#pragma once

#include <QRegularExpression>
#include <QString>

namespace platform {

/// A wildcard mask compiled once, for matching many names: "*" and "?" are
/// wildcards ("*" also spans "/"), case is ignored, and a mask ending in
/// ".*" also matches names without a dot ("*.*" matches everything,
/// "stem*.*" matches "stem"). Cheap to copy.
class WildcardMask {
public:
    explicit WildcardMask(const QString& mask);

    bool matches(const QString& name) const;

private:
    QRegularExpression re_;
    bool matchesAll_ = false; ///< only "*" left: no expression needed
};

} // namespace platform
