// Feeds arbitrary bytes to the .int reader as the mutator scan meets them:
// decoded into lines, searched for the display name, and read from a file
// just extracted into TempDir, which the read deletes. Nothing may crash;
// no line holds a line break; lines written back as UTF-16 or UTF-8 with a
// byte order mark read back the same; a name comes from one line, and the
// quote-ended passes never leave a quote in it; the file read gives the
// same name as its bytes and is gone afterwards, whatever its name.
#include "core/app_core.h"
#include "intake/scan_int_name.h"
#include "platform/dialogs.h"
#include "platform/status_sink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

/// Answers every question with its first button and shows nothing.
class SilentDialogs : public platform::Dialogs {
public:
    platform::Button message(platform::MsgKind, const QString&, platform::Buttons,
                             QPoint) override {
        return platform::Ok;
    }
    void plainMessage(const QString&) override {}
    void errorMessage(const QString&) override {}
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    QStringList openFiles(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString chooseFolder(const QString&, const QString&, bool) override { return {}; }
};

void require(bool condition) {
    if (!condition)
        std::abort();
}

/// ASCII letters lowered, everything else kept: a line holding the key in
/// any ASCII case is one the reader's own lowering matches too.
bool holdsAsciiKey(const QString& line, QLatin1StringView key) {
    QString lowered = line;
    for (QChar& c : lowered) {
        if (c >= u'A' && c <= u'Z')
            c = c.toLower();
    }
    return lowered.contains(key);
}

/// Lines without lone surrogates survive a UTF-16 or UTF-8 encoding.
bool encodable(const QString& text) {
    return QString::fromUtf8(text.toUtf8()) == text;
}

void checkRoundTrip(const QStringList& lines) {
    // Each line ends with CR LF, so a last empty line stays a line.
    const QString text = lines.isEmpty() ? QString() : lines.join(u"\r\n"_s) + u"\r\n"_s;
    if (!encodable(text))
        return;
    for (const QStringConverter::Encoding encoding :
         {QStringConverter::Utf16LE, QStringConverter::Utf16BE, QStringConverter::Utf8}) {
        QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
        const QByteArray bytes = encoder(text);
        require(intake::intFileLines(bytes) == lines);
    }
}

void checkName(const QStringList& lines, const QString& name) {
    for (const QString& line : lines)
        require(!line.contains(u'\n') && !line.contains(u'\r'));
    if (!name.isEmpty()) {
        bool fromALine = false;
        for (const QString& line : lines)
            fromALine = fromALine || line.contains(name);
        require(fromALine);
    }
    bool quotePass = false;
    for (const QString& line : lines)
        quotePass = quotePass || holdsAsciiKey(line, "itemname="_L1) ||
                    holdsAsciiKey(line, "friendlyname="_L1);
    if (quotePass)
        require(!name.contains(u'"'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "int_name_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    static SilentDialogs dialogs;
    static platform::MemoryStatusSink status;
    static AppCore core(dialogs, status);
    static const bool ready = [] {
        QDir().mkpath(dir.path() + u"/Temp"_s);
        core.state.TempDir = dir.path() + u"/Temp"_s;
        return true;
    }();
    (void)ready;

    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList lines = intake::intFileLines(bytes);
    const QString fromBytes = intake::intNameFromLines(lines);
    checkName(lines, fromBytes);
    checkRoundTrip(lines);

    // The entry as an archive stores it; a name starting with ":" must be
    // read and deleted as a file of TempDir like any other.
    static const QString entries[] = {u"System\\MutFuzz.int"_s, u"System/:MutFuzz.int"_s,
                                      u"MutFuzz.int"_s};
    const QString entry = entries[size % 3];
    const QString bare = entry.section(u'\\', -1).section(u'/', -1);
    const QString path = core.state.TempDir + u'/' + bare;
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(bytes);
    }
    require(intake::ReadIntName(core.context(), entry) == fromBytes);
    require(!QFileInfo::exists(path));
    require(QDir(core.state.TempDir)
                .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    return 0;
}
