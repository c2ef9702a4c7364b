#include "support/rar_fixture.h"

#include "archive/unrar_binding.h"
#include "support/rar_tool.h"

#include <QDir>
#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace testing_support {

QByteArray crashingRar5() {
    return QByteArray::fromBase64(
        "UmFyIRoHAQAxkrVvCgEFBAAFAQICCwAAAAAAAAAAAiICAgICAgICAgICAgIBQAAMAgICAgICAgICAgICAgICAgIC"
        "PQICAgICAgICAgICAgICB/4AAADpKBhrrlsSBExMTExsWxwFBAA=");
}

QString fakeUnrarHelper(TempTree& tree, const QString& name, const QByteArray& body) {
    const QString path = tree.file(name, "#!/bin/sh\n" + body + "\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

std::string rarBackendName(const ::testing::TestParamInfo<RarBackendKind>& info) {
    return info.param == RarBackendKind::Unrar ? "Unrar" : "Libarchive";
}

void RarBackendTest::SetUp() {
    ASSERT_FALSE(rarToolPath().isEmpty()) << "the rar command is needed (scripts/setup --test)";
    rar.NameofUnrarDll = u"libunrar.so.5"_s;
    rar.TargetDirectory = tree.path(u"out"_s);
    if (unrar()) {
        archives::UnrarLibrary probe;
        ASSERT_TRUE(probe.LoadUnrarLibrary({}, rar.NameofUnrarDll))
            << "the unrar library is needed (scripts/setup --test)";
        rar.Backend = archives::RarBackend::UnrarOnly;
    } else {
        rar.Backend = archives::RarBackend::LibarchiveOnly;
    }
    rar.OnFileAboutToBeListed = [this](const QString& name) { listed.append(name); };
    rar.OnFileAboutToBeExtracted = [this](const QString& name) { extracted.append(name); };
    rar.OnReqPassword = [this]() -> std::optional<QString> {
        ++passwordRequests;
        if (passwordAnswers.empty())
            return std::nullopt;
        const bool given = passwordAnswers.front().has_value();
        const QString text = passwordAnswers.front().value_or(QString());
        passwordAnswers.pop_front();
        return given ? std::optional<QString>(text) : std::nullopt;
    };
}

QString RarBackendTest::makeRar5(const QString& archiveName,
                                 const QList<QPair<QString, QByteArray>>& files,
                                 const QStringList& switches) {
    const QString source = u"src-"_s + archiveName;
    QStringList tops;
    for (const auto& [name, data] : files) {
        tree.file(source + u'/' + name, data);
        const QString top = name.section(u'/', 0, 0);
        if (!tops.contains(top))
            tops.append(top);
    }
    const QString archive = tree.path(archiveName);
    QStringList args{u"a"_s, u"-r"_s};
    args += switches;
    args.append(archive);
    args += tops;
    EXPECT_EQ(runRarTool(tree.path(source), args), 0) << archiveName.toStdString();
    return archive;
}

QString RarBackendTest::makeRar4(const QString& archiveName, const QList<Rar4Entry>& entries) {
    const QString archive = tree.path(archiveName);
    EXPECT_TRUE(writeRar4Archive(archive, entries));
    return archive;
}

QStringList RarBackendTest::outFiles() const {
    QStringList out;
    const QString prefix = QDir(tree.root()).relativeFilePath(rar.TargetDirectory) + u'/';
    for (const QString& f : tree.allFiles())
        if (f.startsWith(prefix))
            out.append(f.mid(prefix.size()));
    return out;
}

void RarBackendTest::expectBackendUsed() const {
    EXPECT_EQ(rar.usedBackend(), unrar() ? archives::TdRar3::UsedBackend::Unrar
                                         : archives::TdRar3::UsedBackend::Libarchive);
}

} // namespace testing_support
