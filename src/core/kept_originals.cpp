#include "core/kept_originals.h"

#include "platform/errors.h"
#include "platform/io_errors.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace core::txn {

namespace {

constexpr QByteArrayView FirstLine = "Quorvel kept originals 1";
// An index of our own stays far below this; a larger file is not read.
constexpr qint64 MaxIndexBytes = qint64(64) << 20;

/// A stored name is a number and ".orig": nothing else is ever moved into
/// the game from the folder.
std::optional<int> storedNumber(const QString& stored) {
    static const QRegularExpression name(u"^([1-9][0-9]{0,8})\\.orig$"_s);
    const QRegularExpressionMatch m = name.match(stored);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toInt();
}

bool hasControl(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    }
    return false;
}

} // namespace

QString KeptOriginals::indexPath(const AppState& state) {
    return state.ProgramDir + u"/kept-originals.txt"_s;
}

QString KeptOriginals::folder(const AppState& state) {
    return state.ProgramDir + u"/Originals"_s;
}

QList<KeptOriginal> KeptOriginals::parse(const QByteArray& bytes) {
    QList<KeptOriginal> out;
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || !lines.first().startsWith(FirstLine))
        return out;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        const qsizetype tab = line.indexOf('\t');
        if (tab < 0)
            continue;
        KeptOriginal k{QString::fromUtf8(line.first(tab)), QString::fromUtf8(line.sliced(tab + 1))};
        if (!storedNumber(k.stored) || !k.gamePath.startsWith(u'/') || hasControl(k.gamePath) ||
            k.gamePath.split(u'/').contains(u".."_s))
            continue;
        bool twice = false;
        for (const KeptOriginal& e : std::as_const(out))
            twice = twice || e.stored == k.stored ||
                    e.gamePath.compare(k.gamePath, Qt::CaseInsensitive) == 0;
        if (!twice)
            out.append(k);
    }
    return out;
}

KeptOriginals KeptOriginals::load(const AppState& state) {
    KeptOriginals kept;
    kept.folder_ = folder(state);
    const QString path = indexPath(state);
    if (!QFileInfo::exists(path))
        return kept;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw platform::Error(platform::cannotOpenText(path, file.errorString()));
    // A file of a size no index of ours reaches is read as holding nothing.
    kept.entries_ = file.size() <= MaxIndexBytes ? parse(file.readAll()) : QList<KeptOriginal>();
    for (const KeptOriginal& k : std::as_const(kept.entries_))
        kept.next_ = std::max(kept.next_, storedNumber(k.stored).value_or(0) + 1);
    return kept;
}

QByteArray KeptOriginals::toBytes() const {
    QByteArray out(FirstLine.data(), FirstLine.size());
    out += "\r\n";
    for (const KeptOriginal& k : entries_)
        out += k.stored.toUtf8() + '\t' + k.gamePath.toUtf8() + "\r\n";
    return out;
}

qsizetype KeptOriginals::indexOf(const QString& gamePath) const {
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        if (entries_[i].gamePath.compare(gamePath, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

std::optional<QString> KeptOriginals::keptFor(const QString& gamePath) const {
    const qsizetype i = indexOf(gamePath);
    if (i < 0)
        return std::nullopt;
    return folder_ + u'/' + entries_[i].stored;
}

QString KeptOriginals::reserve(const QString& gamePath) {
    const KeptOriginal k{QString::number(next_++) + u".orig"_s, gamePath};
    entries_.append(k);
    changed_ = true;
    return folder_ + u'/' + k.stored;
}

void KeptOriginals::drop(const QString& gamePath) {
    const qsizetype i = indexOf(gamePath);
    if (i >= 0) {
        entries_.removeAt(i);
        changed_ = true;
    }
}

} // namespace core::txn
