#include "platform/wildcard_mask.h"

using namespace Qt::Literals::StringLiterals;

namespace platform {

WildcardMask::WildcardMask(const QString& mask) {
    QString m = mask;
    // "x.*" also matches "x": the dot and what follows are optional.
    const bool dotStarOptional = m.endsWith(u".*"_s);
    if (dotStarOptional)
        m.chop(2);
    if (!m.isEmpty() && m.count(u'*') == m.size()) {
        // "*", "*.*": the masks installs pass for every entry.
        matchesAll_ = true;
        return;
    }
    QString pattern;
    pattern.reserve(m.size() * 2 + 8);
    for (QChar c : m) {
        if (c == u'*')
            pattern += u".*"_s;
        else if (c == u'?')
            pattern += u'.';
        else
            pattern += QRegularExpression::escape(QString(c));
    }
    if (dotStarOptional)
        pattern += u"(\\..*)?"_s;
    re_ = QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                             QRegularExpression::CaseInsensitiveOption |
                                 QRegularExpression::DotMatchesEverythingOption);
    // Compiled here, once, rather than at the first match.
    re_.optimize();
}

bool WildcardMask::matches(const QString& name) const {
    return matchesAll_ || re_.match(name).hasMatch();
}

} // namespace platform
