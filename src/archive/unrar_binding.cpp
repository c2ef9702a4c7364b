#include "archive/unrar_binding.h"

#include <QFile>

#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace archives {

namespace {

void* openLibrary(const QString& path) {
    return ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
}

template <typename Fn> bool resolve(void* handle, const char* name, Fn& out) {
    out = reinterpret_cast<Fn>(::dlsym(handle, name));
    return out != nullptr;
}

} // namespace

int UnrarCallback(unsigned int msg, long userData, long p1, long p2) {
    switch (msg) {
    case UCM_CHANGEVOLUME:
    case UCM_CHANGEVOLUMEW:
        return -1;
    case UCM_NEEDPASSWORD: {
        auto* target = reinterpret_cast<UnrarCallbackTarget*>(static_cast<std::intptr_t>(userData));
        if (target == nullptr)
            return 0;
        const std::optional<QByteArray> password = target->unrarNarrowPassword();
        if (!password)
            return -1;
        auto* buffer = reinterpret_cast<char*>(static_cast<std::intptr_t>(p1));
        if (buffer == nullptr || p2 <= 0)
            return 0;
        const std::size_t room = static_cast<std::size_t>(p2) - 1;
        const std::size_t n = std::min(room, static_cast<std::size_t>(password->size()));
        std::memcpy(buffer, password->constData(), n);
        buffer[n] = '\0';
        return 0;
    }
    case UCM_PROCESSDATA: {
        // Sent before each block of unpacked data is written (not for
        // skipped entries), so a refusal keeps the block off the disk.
        auto* target = reinterpret_cast<UnrarCallbackTarget*>(static_cast<std::intptr_t>(userData));
        return target == nullptr || target->unrarProcessData(p2) ? 0 : -1;
    }
    case UCM_NEEDPASSWORDW: // left empty: the library asks again narrowly
    default:
        return 0;
    }
}

long unrarUserData(UnrarCallbackTarget* target) {
    static_assert(sizeof(long) >= sizeof(void*));
    return static_cast<long>(reinterpret_cast<std::intptr_t>(target));
}

QString UnrarLibrary::libraryPath(const QString& folder, const QString& name) {
    const QString file = name.isEmpty() ? u"unrar.dll"_s : name;
    if (folder.isEmpty())
        return file;
    return folder.endsWith(u'/') ? folder + file : folder + u'/' + file;
}

bool UnrarLibrary::LoadUnrarLibrary(const QString& folder, const QString& name) {
    if (handle_ != nullptr)
        return true;
    handle_ = openLibrary(libraryPath(folder, name));
    if (handle_ == nullptr && name == u"libunrar.so.5"_s)
        handle_ = openLibrary(libraryPath(folder, u"libunrar.so"_s));
    if (handle_ == nullptr)
        return false;
    if (!resolveAll()) {
        UnloadUnrarLibrary();
        return false;
    }
    return true;
}

bool UnrarLibrary::resolveAll() {
    // Every entry point must be there, also those the program never calls
    // (password and version): an incomplete library is not used at all.
    bool ok = resolve(handle_, "RAROpenArchive", RAROpenArchive);
    ok = resolve(handle_, "RARCloseArchive", RARCloseArchive) && ok;
    ok = resolve(handle_, "RARReadHeader", RARReadHeader) && ok;
    ok = resolve(handle_, "RARReadHeaderEx", RARReadHeaderEx) && ok;
    ok = resolve(handle_, "RARProcessFile", RARProcessFile) && ok;
    ok = resolve(handle_, "RARSetPassword", RARSetPassword) && ok;
    ok = resolve(handle_, "RARGetDllVersion", RARGetDllVersion) && ok;
    ok = resolve(handle_, "RARSetCallback", RARSetCallback) && ok;
    return ok;
}

void UnrarLibrary::forgetEntryPoints() {
    RAROpenArchive = nullptr;
    RARCloseArchive = nullptr;
    RARReadHeader = nullptr;
    RARReadHeaderEx = nullptr;
    RARProcessFile = nullptr;
    RARSetPassword = nullptr;
    RARGetDllVersion = nullptr;
    RARSetCallback = nullptr;
}

void UnrarLibrary::UnloadUnrarLibrary() {
    if (handle_ == nullptr)
        return;
    if (::dlclose(handle_) == 0) {
        handle_ = nullptr;
        forgetEntryPoints();
    }
}

void UnrarArchive::close() {
    if (handle_ != nullptr && lib_.RARCloseArchive != nullptr && lib_.RARCloseArchive(handle_) == 0)
        handle_ = nullptr;
}

} // namespace archives
