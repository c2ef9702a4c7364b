// Feeds arbitrary bytes to the settings file readers: the line reader, the
// version check, the value and layout parsers, the filter splitter and the
// shut-down's layout rewrite. Damage may be reported, never crash; after a
// layout rewrite the file must still read back.
#include "core/settings_file.h"
#include "platform/errors.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "settings_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    const QString path = dir.path() + u"/Quorvel.ini"_s;
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    using namespace settings_file;
    try {
        const QStringList lines = readSettingsLines(path);
        try {
            // Empty record files fit the old layout: the deepest path.
            (void)needsUpgrade(lines, RecordFileSizes{0, 0});
        } catch (const platform::Error&) {
        }
        try {
            const SettingsValues values = parseSettingsValues(lines);
            (void)mapFilterFor(values.AdditionalGames);
        } catch (const platform::Error&) {
        }
        try {
            (void)parseLayout(lines);
        } catch (const platform::Error&) {
        }
        LayoutValues layout;
        layout.ThemeIndex = 2;
        layout.ThemeFile = u"/themes/a.qss"_s;
        layout.WindowPos = QPoint(10, 20);
        if (storeLayout(path, layout)) {
            const std::optional<LayoutValues> back = parseLayout(readSettingsLines(path));
            // The appended lines follow the kept ones, which end at "[Layout]"
            // when the file has one at line 15: then they must read back.
            const QStringList kept = readSettingsLines(path);
            if (kept.size() >= 23 && kept[15] == u"[Layout]"_s &&
                (!back || back->ThemeIndex != 2 || back->WindowPos != QPoint(10, 20)))
                std::abort();
        }
    } catch (const platform::Error&) {
    }
    return 0;
}
