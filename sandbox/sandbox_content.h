#pragma once

#include <QString>
#include <QStringList>

/// The files of a sandbox: sample archives, a fake game folder with its
/// cache, demos, .uz2 files and stand-ins for the game's programs.
namespace sandbox {

/// Where the parts of a sandbox lie below its root (no trailing "/").
struct SandboxLayout {
    explicit SandboxLayout(const QString& root);
    QString root;
    QString game;     ///< the fake game folder
    QString maps;     ///< sample map archives
    QString mutators; ///< sample mutator archives
    QString skins;    ///< sample skin archives
    QString demos;    ///< recorded demos
    QString uz2;      ///< files for the .uz2 page
    QString log;      ///< what the fake game and tool were asked to do
};

/// The sample archives a fresh sandbox lists, per page, as the lists show
/// them (maps by archive name, mutators and skins by their names).
struct SampleNames {
    QStringList maps;
    QStringList mutators;
    QStringList skins;
    QString rejectedMap;  ///< the map archive the scan rejects
    QString installedMap; ///< installed when the sandbox is made
    QString installedMutator;
    QString installedSkin;
};
const SampleNames& sampleNames();

/// Writes the fake game folder (its sub-folders, a few stock files and the
/// download cache), the sample archives, demos and .uz2 files, and the
/// stand-ins for the game and its tool. The tool logs its request and
/// hands the conversion to `converter` ("<converter> --ucc <word> <file>");
/// without one it logs and fails. Throws platform::Error when a file
/// cannot be written.
void writeContent(const SandboxLayout& at, const QString& converter);

} // namespace sandbox
