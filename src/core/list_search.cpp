#include "core/list_search.h"

using namespace Qt::Literals::StringLiterals;

namespace core::list_search {

bool matches(const QString& entry, const QString& text) {
    return text.isEmpty() || entry.contains(text, Qt::CaseInsensitive);
}

QStringList matching(const QStringList& entries, const QString& text) {
    QStringList out;
    for (const QString& entry : entries) {
        if (matches(entry, text))
            out.append(entry);
    }
    return out;
}

QString countsText(catalogue::ContentKind kind, qsizetype installed, qsizetype notInstalled) {
    const QString word = u' ' + catalogue::describe(kind).many.toString();
    return u"  "_s + QString::number(installed) + word + u" listed as installed and "_s +
           QString::number(notInstalled) + word + u" as not installed"_s;
}

} // namespace core::list_search
