#include "archive/rar_archive.h"

#include "archive/rar_libarchive.h"
#include "archive/unrar_helper_protocol.h"
#include "archive/unrar_process.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace archives {

namespace {

/// What a result code means, for LastErrorText.
QString resultText(int code, const QString& archive, const QString& target) {
    const QString folder = target.isEmpty() ? u"the working folder"_s : target;
    switch (code) {
    case rarcode::Success:
    case rarcode::EndArchive:
        return {};
    case rarcode::NoMemory:
        return u"Not enough memory to read\r"_s + archive;
    case rarcode::BadData:
        return u"Damaged data in\r"_s + archive +
               u"\rA file failed its check and was not written (a wrong password shows the "
               u"same way)."_s;
    case rarcode::BadArchive:
        return archive + u"\ris not a rar archive, or it is damaged."_s;
    case rarcode::UnknownFormat:
        return archive + u"\rwas made in a rar format this program cannot read."_s;
    case rarcode::EOpen:
        return u"Cannot open\r"_s + archive + u"\r(or a part of it that is missing)"_s;
    case rarcode::ECreate:
        return u"Cannot create a file or folder below\r"_s + folder;
    case rarcode::ERead:
        return u"Cannot read\r"_s + archive;
    case rarcode::EWrite:
        return u"Cannot write below\r"_s + folder + u"\rThe disk may be full."_s;
    case rarcode::MissingPassword:
        return archive + u"\rneeds a password."_s;
    case rarcode::EReference:
        return u"A file of\r"_s + archive +
               u"\rrepeats another file of it, which was not extracted."_s;
    case rarcode::BadPassword:
        return u"The password for\r"_s + archive + u"\ris wrong."_s;
    case rarcode::UnrarNotAvailable:
        return u"The unrar library cannot be loaded."_s;
    case 255:
        return archive + u"\rends before all of its files were processed."_s;
    default:
        return u"Extracting\r"_s + archive + u"\rfailed (code %1)."_s.arg(code);
    }
}

/// The unrar helper ended without its result: the library crashed on the
/// archive, or the helper was killed.
QString damagedText(const QString& archive) {
    return archive + u"\ris damaged: reading it made the unrar library fail."_s;
}

} // namespace

int TdRar3::List() {
    return run(false);
}

int TdRar3::Extract() {
    return run(true);
}

int TdRar3::run(bool extract) {
    usedBackend_ = UsedBackend::None;
    passwordAsked_ = false;
    password_.clear();
    guard_.reset();
    reason_.clear();
    lastErrorText_.clear();
    // The password answer lives only as long as this operation.
    struct Forget {
        QByteArray& bytes;
        ~Forget() {
            bytes.fill('\0');
            bytes.clear();
        }
    } forget{password_};

    const int result = runBackend(extract);
    if (reason_.isEmpty() && guard_ && guard_->stopCode() == result)
        reason_ = guard_->reason();
    lastErrorText_ =
        reason_.isEmpty() ? resultText(result, ArchiveFileName, TargetDirectory) : reason_;
    guard_.reset();
    return result;
}

int TdRar3::runBackend(bool extract) {
    if (Backend == RarBackend::LibarchiveOnly)
        return runLibarchive(extract, nullptr);
    if (Backend == RarBackend::Auto && !extract) {
        // libarchive lists most archives, in the program's process and
        // quicker than a helper can start; the names are held back so that
        // the helper, asked when libarchive fails, does not repeat them.
        QStringList names;
        const int listed = runLibarchive(false, &names);
        if (listed != rarcode::EndArchive) {
            if (const std::optional<int> result = runHelper(false))
                return *result;
            reason_.clear();
            usedBackend_ = UsedBackend::Libarchive;
        }
        for (const QString& name : names) {
            if (OnFileAboutToBeListed)
                OnFileAboutToBeListed(name);
        }
        return listed;
    }
    if (const std::optional<int> result = runHelper(extract))
        return *result;
    if (Backend == RarBackend::UnrarOnly)
        return rarcode::UnrarNotAvailable;
    reason_.clear();
    return runLibarchive(extract, nullptr);
}

int TdRar3::runLibarchive(bool extract, QStringList* names) {
    usedBackend_ = UsedBackend::Libarchive;
    const RarHeaderFacts facts = scanRarHeaders(ArchiveFileName, rarScanLimit(Limits));
    if (extract) {
        if (const int refused = checkHeaders(facts))
            return refused;
    }
    return processRarWithLibarchive(ArchiveFileName, TargetDirectory, facts,
                                    guard_ ? &*guard_ : nullptr,
                                    [this, extract, names](const QString& name) {
                                        if (names == nullptr)
                                            return announce(name, extract);
                                        names->append(name);
                                        return RarEntryAction::Skip;
                                    });
}

std::optional<int> TdRar3::runHelper(bool extract) {
    unrar_helper::Request request;
    UnrarJob& job = request.job;
    job.extract = extract;
    job.archive = ArchiveFileName;
    job.target = TargetDirectory;
    job.only = FileListToProcess;
    job.limits.maxEntries = Limits.maxEntries;
    job.limits.maxBytes = Limits.maxBytes;
    job.limits.maxRatio = Limits.maxRatio;
    // A stand-in for the disk is asked here, where the test set it.
    if (extract && Limits.freeSpace)
        request.freeSpace = Limits.freeSpace(TargetDirectory);
    request.libraryFolder = Path2UnrarDll;
    request.libraryName = NameofUnrarDll;
    request.parent = QCoreApplication::applicationPid();
    const QString helper = UnrarHelper.isEmpty() ? defaultUnrarHelper() : UnrarHelper;

    UnrarHelperHooks hooks;
    hooks.onEntry = [this, extract](const QString& name) {
        const auto& event = extract ? OnFileAboutToBeExtracted : OnFileAboutToBeListed;
        if (event)
            event(name);
    };
    hooks.password = [this] { return askPassword(); };
    const UnrarHelperOutcome outcome =
        runUnrarHelper(helper, unrar_helper::arguments(request), extract, hooks);
    switch (outcome.kind) {
    case UnrarHelperOutcome::NotStarted:
        reason_ = u"The unrar helper\r"_s + helper + u"\rcannot be started."_s;
        return std::nullopt;
    case UnrarHelperOutcome::Broken:
        usedBackend_ = UsedBackend::Unrar;
        reason_ = damagedText(ArchiveFileName);
        return rarcode::BadArchive;
    case UnrarHelperOutcome::Finished:
        break;
    }
    if (outcome.code == rarcode::UnrarNotAvailable)
        return std::nullopt;
    usedBackend_ = UsedBackend::Unrar;
    reason_ = outcome.reason;
    return outcome.code;
}

int TdRar3::checkHeaders(const RarHeaderFacts& facts) {
    guard_.emplace(Limits, ArchiveFileName, TargetDirectory);
    return guard_->checkHeaders(facts, [this](const QString& name) {
        return FileListToProcess.isEmpty() || FileListToProcess.contains(name);
    });
}

RarEntryAction TdRar3::announce(const QString& entryName, bool extract) {
    if (!extract) {
        if (OnFileAboutToBeListed)
            OnFileAboutToBeListed(entryName);
        return RarEntryAction::Skip;
    }
    if (OnFileAboutToBeExtracted)
        OnFileAboutToBeExtracted(entryName);
    const bool selected = FileListToProcess.isEmpty() || FileListToProcess.contains(entryName);
    return selected ? RarEntryAction::Extract : RarEntryAction::Skip;
}

QByteArray TdRar3::askPassword() {
    if (!passwordAsked_) {
        passwordAsked_ = true;
        std::optional<QString> answer;
        if (OnReqPassword)
            answer = OnReqPassword();
        password_ = answer ? answer->toUtf8() : QByteArray();
    }
    return password_;
}

} // namespace archives
