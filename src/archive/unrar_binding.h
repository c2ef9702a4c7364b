#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <optional>

// The unrar shared library, bound at run time. The structures repeat the
// library's own header (packed to 1 byte) because no development header is
// installed with the library and the program must run without it.

namespace archives {

#pragma pack(push, 1)

/// The per-entry header record of "RARReadHeader".
struct RARHeaderData {
    char ArcName[260];
    char FileName[260];
    unsigned int Flags;
    unsigned int PackSize;
    unsigned int UnpSize;
    unsigned int HostOS;
    unsigned int FileCRC;
    unsigned int FileTime;
    unsigned int UnpVer;
    unsigned int Method;
    unsigned int FileAttr;
    char* CmtBuf;
    unsigned int CmtBufSize;
    unsigned int CmtSize;
    unsigned int CmtState;
};

/// The extended header record of "RARReadHeaderEx": wide names and the
/// redirection (link) type. The library's later additions live inside
/// `Reserved`, which stays zero so they are not used.
struct RARHeaderDataEx {
    char ArcName[1024];
    wchar_t ArcNameW[1024];
    char FileName[1024];
    wchar_t FileNameW[1024];
    unsigned int Flags;
    unsigned int PackSize;
    unsigned int PackSizeHigh;
    unsigned int UnpSize;
    unsigned int UnpSizeHigh;
    unsigned int HostOS;
    unsigned int FileCRC;
    unsigned int FileTime;
    unsigned int UnpVer;
    unsigned int Method;
    unsigned int FileAttr;
    char* CmtBuf;
    unsigned int CmtBufSize;
    unsigned int CmtSize;
    unsigned int CmtState;
    unsigned int DictSize;
    unsigned int HashType;
    char Hash[32];
    unsigned int RedirType;
    wchar_t* RedirName;
    unsigned int RedirNameSize;
    unsigned int DirTarget;
    unsigned int MtimeLow;
    unsigned int MtimeHigh;
    unsigned int CtimeLow;
    unsigned int CtimeHigh;
    unsigned int AtimeLow;
    unsigned int AtimeHigh;
    unsigned int Reserved[988];
};

/// The record that opens an archive ("RAROpenArchive").
struct RAROpenArchiveData {
    char* ArcName;
    unsigned int OpenMode;
    unsigned int OpenResult;
    char* CmtBuf;
    unsigned int CmtBufSize;
    unsigned int CmtSize;
    unsigned int CmtState;
};

#pragma pack(pop)

static_assert(sizeof(void*) != 8 || sizeof(RARHeaderData) == 576);
static_assert(sizeof(void*) != 8 || sizeof(RAROpenArchiveData) == 36);

/// Result codes of the library (and of `TdRar3`).
namespace rarcode {
inline constexpr int Success = 0;
inline constexpr int EndArchive = 10;
inline constexpr int NoMemory = 11;
inline constexpr int BadData = 12;
inline constexpr int BadArchive = 13;
inline constexpr int UnknownFormat = 14;
inline constexpr int EOpen = 15;
inline constexpr int ECreate = 16;
inline constexpr int EClose = 17;
inline constexpr int ERead = 18;
inline constexpr int EWrite = 19;
inline constexpr int SmallBuf = 20;
inline constexpr int Unknown = 21;
inline constexpr int MissingPassword = 22;
inline constexpr int EReference = 23;
inline constexpr int BadPassword = 24;
/// The library could not be loaded or lacks one of its entry points.
inline constexpr int UnrarNotAvailable = -111;
// Quorvel's own refusals, clear of the library's codes (11..25 in its
// newer releases) and of the 255 `TdRar3` reports for a stop at the end.
/// The files would not fit the free space of the target's disk.
inline constexpr int NotEnoughSpace = 101;
/// The archive holds more entries than one archive may.
inline constexpr int TooManyEntries = 102;
/// The archive would write more than one archive of its size may.
inline constexpr int TooLarge = 103;
} // namespace rarcode

inline constexpr unsigned int RAR_OM_LIST = 0;
inline constexpr unsigned int RAR_OM_EXTRACT = 1;
inline constexpr int RAR_SKIP = 0;
inline constexpr int RAR_EXTRACT = 2;
/// `RedirType` of a file whose data is that of an earlier entry
/// (`RedirName`); the other nonzero types are links.
inline constexpr unsigned int FSREDIR_FILECOPY = 5;
/// `Flags` bit of `RARHeaderDataEx`: the entry is a folder.
inline constexpr unsigned int RHDF_DIRECTORY = 0x20;

/// Callback messages.
inline constexpr unsigned int UCM_CHANGEVOLUME = 0;
inline constexpr unsigned int UCM_PROCESSDATA = 1;
inline constexpr unsigned int UCM_NEEDPASSWORD = 2;
inline constexpr unsigned int UCM_CHANGEVOLUMEW = 3;
inline constexpr unsigned int UCM_NEEDPASSWORDW = 4;

/// The library's callback type; LPARAM is `long` on Linux.
using UNRARCALLBACK = int (*)(unsigned int msg, long userData, long p1, long p2);

/// What `UnrarCallback` needs from the component whose operation runs; the
/// callback's user data points to it.
class UnrarCallbackTarget {
public:
    virtual ~UnrarCallbackTarget() = default;
    /// The password for the library's narrow request, in its byte form;
    /// nullopt cancels the operation (used when the handler failed).
    virtual std::optional<QByteArray> unrarNarrowPassword() = 0;
    /// `bytes` of unpacked data about to be written; false stops the
    /// library before it writes them. Everything is taken by default.
    virtual bool unrarProcessData(qint64 bytes) {
        Q_UNUSED(bytes);
        return true;
    }
};

/// The callback registered with the library. User data: the
/// `UnrarCallbackTarget*`. Message 2 copies the password with its zero into
/// p1 (at most p2 bytes); message 4 is answered without a password so the
/// library falls back to message 2; volume changes (0 and 3) are refused
/// with -1, since a lone part of a set would otherwise be asked for again
/// and again; message 1 (data about to be written, p2 bytes) goes to
/// `unrarProcessData`, -1 when it refuses; everything else continues with 0.
int UnrarCallback(unsigned int msg, long userData, long p1, long p2);

/// User data value that carries `target`.
long unrarUserData(UnrarCallbackTarget* target);

/// The loaded library with its eight entry points. Released on destruction.
class UnrarLibrary {
public:
    using OpenArchiveFn = void* (*)(RAROpenArchiveData*);
    using CloseArchiveFn = int (*)(void*);
    using ReadHeaderFn = int (*)(void*, RARHeaderData*);
    using ReadHeaderExFn = int (*)(void*, RARHeaderDataEx*);
    using ProcessFileFn = int (*)(void*, int, char*, char*);
    using SetPasswordFn = void (*)(void*, char*);
    using GetDllVersionFn = int (*)();
    using SetCallbackFn = void (*)(void*, UNRARCALLBACK, long);

    UnrarLibrary() = default;
    ~UnrarLibrary() { UnloadUnrarLibrary(); }
    UnrarLibrary(const UnrarLibrary&) = delete;
    UnrarLibrary& operator=(const UnrarLibrary&) = delete;

    /// Loads `folder`/`name` ("unrar.dll" when `name` is empty; the system
    /// search when `folder` is empty) and resolves all eight entry points.
    /// When "libunrar.so.5" cannot be loaded, "libunrar.so" is tried in the
    /// same place (a library built from source installs only that name).
    /// Succeeds at once when already loaded.
    bool LoadUnrarLibrary(const QString& folder, const QString& name);
    /// Releases the library; it is forgotten once the release succeeded.
    void UnloadUnrarLibrary();
    bool isLoaded() const { return handle_ != nullptr; }

    /// The path handed to the system loader for `folder` and `name`.
    static QString libraryPath(const QString& folder, const QString& name);

    OpenArchiveFn RAROpenArchive = nullptr;
    CloseArchiveFn RARCloseArchive = nullptr;
    ReadHeaderFn RARReadHeader = nullptr;
    ReadHeaderExFn RARReadHeaderEx = nullptr;
    ProcessFileFn RARProcessFile = nullptr;
    SetPasswordFn RARSetPassword = nullptr;
    GetDllVersionFn RARGetDllVersion = nullptr;
    SetCallbackFn RARSetCallback = nullptr;

private:
    bool resolveAll();
    void forgetEntryPoints();

    void* handle_ = nullptr;
};

/// An open archive handle of the library, closed on destruction.
class UnrarArchive {
public:
    UnrarArchive(const UnrarLibrary& lib, void* handle) : lib_(lib), handle_(handle) {}
    ~UnrarArchive() { close(); }
    UnrarArchive(const UnrarArchive&) = delete;
    UnrarArchive& operator=(const UnrarArchive&) = delete;

    void* handle() const { return handle_; }
    /// Calls "RARCloseArchive" when a handle is held; forgets it on success.
    void close();

private:
    const UnrarLibrary& lib_;
    void* handle_;
};

} // namespace archives
