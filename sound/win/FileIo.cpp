// The Windows file layer: CreateFile with the caller's share mode, so that a
// file held by another program without read sharing fails (and is retried).
#include "sound/FileIo.h"

#include <windows.h>

#include <algorithm>

namespace {

HANDLE handleOf(intptr_t native)
{
    return reinterpret_cast<HANDLE>(native);
}

// ReadFile and WriteFile take 32-bit counts.
constexpr size_t kMaxPiece = 0x40000000;

}  // namespace

void FileHandle::close()
{
    if (native_ != kInvalid) {
        ::CloseHandle(handleOf(native_));
        native_ = kInvalid;
    }
}

bool FileHandle::seek(uint64_t offset)
{
    if (!isOpen() || offset > static_cast<uint64_t>(INT64_MAX))
        return false;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(handleOf(native_), to, nullptr, FILE_BEGIN) != 0;
}

int64_t FileHandle::seekToEnd()
{
    if (!isOpen())
        return -1;
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    LARGE_INTEGER end;
    if (!::SetFilePointerEx(handleOf(native_), zero, &end, FILE_END))
        return -1;
    return static_cast<int64_t>(end.QuadPart);
}

bool FileHandle::read(void* buffer, size_t count, size_t& done)
{
    done = 0;
    if (!isOpen())
        return false;
    auto* at = static_cast<uint8_t*>(buffer);
    while (done < count) {
        const DWORD piece = static_cast<DWORD>(std::min(count - done, kMaxPiece));
        DWORD got = 0;
        if (!::ReadFile(handleOf(native_), at + done, piece, &got, nullptr))
            return false;
        if (got == 0)
            break;
        done += got;
    }
    return true;
}

bool FileHandle::write(const void* bytes, size_t count, size_t& done)
{
    done = 0;
    if (!isOpen())
        return false;
    const auto* at = static_cast<const uint8_t*>(bytes);
    while (done < count) {
        const DWORD piece = static_cast<DWORD>(std::min(count - done, kMaxPiece));
        DWORD put = 0;
        if (!::WriteFile(handleOf(native_), at + done, piece, &put, nullptr) || put == 0)
            return false;
        done += put;
    }
    return true;
}

FileHandle openFileOnce(const std::filesystem::path& path, unsigned access, unsigned share,
                        FileCreation creation, bool& missing)
{
    missing = false;
    DWORD desired = 0;
    if (access & kFileRead)
        desired |= GENERIC_READ;
    if (access & kFileWrite)
        desired |= GENERIC_WRITE;
    DWORD sharing = 0;
    if (share & kShareRead)
        sharing |= FILE_SHARE_READ;
    if (share & kShareWrite)
        sharing |= FILE_SHARE_WRITE;
    DWORD disposition = OPEN_EXISTING;
    if (creation == FileCreation::CreateAlways)
        disposition = CREATE_ALWAYS;
    else if (creation == FileCreation::OpenAlways)
        disposition = OPEN_ALWAYS;

    const HANDLE file = ::CreateFileW(path.c_str(), desired, sharing, nullptr, disposition,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return FileHandle();
    }
    return FileHandle(reinterpret_cast<intptr_t>(file));
}

void sleepMilliseconds(unsigned milliseconds)
{
    ::Sleep(milliseconds);
}
