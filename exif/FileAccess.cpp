#include "exif/FileAccess.h"

#ifdef _WIN32
#include <wchar.h>
#endif

std::FILE* openFile(const std::filesystem::path& path, const char* mode)
{
#ifdef _WIN32
    wchar_t wideMode[8] = {};
    for (int i = 0; i < 7 && mode[i] != '\0'; ++i)
        wideMode[i] = static_cast<wchar_t>(mode[i]);
    return _wfopen(path.c_str(), wideMode);
#else
    return std::fopen(path.c_str(), mode);
#endif
}
