#pragma once

#include <QString>

/// A sandbox to try Quorvel in without the game: a fake game folder,
/// sample archives, demos and settings that point at them, in one folder
/// that Quorvel takes as its data folder (quorvel --data FOLDER, as
/// scripts/run --demo starts it).
namespace sandbox {

/// True when `root` holds the mark a sandbox is made with.
bool isSandbox(const QString& root);

/// Makes a sandbox in `root` (which must be missing or empty): writes its
/// content and Quorvel.ini, then runs the first database update and
/// installs one map, one mutator and one skin, as a user would have, so
/// that the first start there asks nothing and every list has entries.
/// `converter` is the program the fake tool hands .uz2 work to (see
/// writeContent). Needs a QCoreApplication; throws platform::Error.
void buildSandbox(const QString& root, const QString& converter);

/// Deletes the sandbox in `root`; refuses (platform::Error) a folder that
/// is not one, so a mistyped path never loses anything.
void removeSandbox(const QString& root);

} // namespace sandbox
