// The display name of a mutator, read from its .int description file.
#include "intake/scan_int_name.h"

#include "core/content_db.h"
#include "intake/scan_rules.h"
#include "platform/file_helpers.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

using namespace Qt::Literals::StringLiterals;

namespace intake {

namespace {

// Lower case one UTF-16 unit at a time, so positions in the lowered line
// are positions in the line as read.
QString lowerSameLength(const QString& line) {
    QString out = line;
    for (QChar& c : out)
        c = c.toLower();
    return out;
}

struct Pass {
    QString key;
    qsizetype skipAfterKey; ///< characters after the key that are dropped too
    QChar end;
};

// The name of the first line holding `pass.key`, or nothing when no line
// holds it.
std::optional<QString> runPass(const QStringList& lines, const Pass& pass) {
    for (const QString& line : lines) {
        const qsizetype at = lowerSameLength(line).indexOf(pass.key);
        if (at < 0)
            continue;
        const QString rest = line.mid(at + pass.key.size() + pass.skipAfterKey);
        const qsizetype end = rest.indexOf(pass.end);
        return end < 0 ? QString() : rest.left(end);
    }
    return std::nullopt;
}

} // namespace

QStringList intFileLines(const QByteArray& bytes) {
    QString text;
    auto decodeWith = [&](QStringConverter::Encoding encoding) {
        QStringDecoder decoder(encoding); // drops the byte order mark
        text = decoder(bytes);
    };
    if (bytes.startsWith("\xFF\xFE"))
        decodeWith(QStringConverter::Utf16LE);
    else if (bytes.startsWith("\xFE\xFF"))
        decodeWith(QStringConverter::Utf16BE);
    else if (bytes.startsWith("\xEF\xBB\xBF"))
        decodeWith(QStringConverter::Utf8);
    else
        text = record_text::decode(bytes.constData(), static_cast<int>(bytes.size()));
    // Split by hand: a regular expression matches nothing in a text that is
    // not valid UTF-16, so one lone surrogate of a damaged UTF-16 file
    // would make the whole file a single line.
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    // A final line ending does not start another line.
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

QString intNameFromLines(const QStringList& lines) {
    // The quote after "ItemName=" and "FriendlyName=" is dropped unseen;
    // "Name=" is followed by Package.Class, of which the package is kept.
    static const Pass passes[] = {
        {u"itemname="_s, 1, u'"'},
        {u"friendlyname="_s, 1, u'"'},
        {u"name="_s, 0, u'.'},
    };
    for (const Pass& pass : passes) {
        if (std::optional<QString> name = runPass(lines, pass))
            return *name;
    }
    return {};
}

QString ReadIntName(CommandContext& ctx, const QString& entryName) {
    // The entry's name alone would be read from, and deleted in, the
    // working folder.
    if (ctx.state.TempDir.isEmpty())
        return {};
    const QString path = platform::withSlash(ctx.state.TempDir) + bareName(entryName);
    QString name;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        name = intNameFromLines(intFileLines(file.read(MaxIntFileBytes)));
        file.close();
    }
    // Only a file: a folder of that name is not the program's to delete.
    const QFileInfo info(path);
    if (info.isFile() || info.isSymLink()) {
        if (!info.isSymLink() && platform::isReadOnly(path))
            platform::clearReadOnly(path);
        QFile::remove(path);
    }
    return name;
}

} // namespace intake
