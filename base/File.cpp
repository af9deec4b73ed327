#include "base/File.h"

UniqueFile openFile(const std::filesystem::path& path, const char* mode)
{
#ifdef _WIN32
    wchar_t wideMode[8] = {};
    for (int i = 0; i < 7 && mode[i] != '\0'; ++i)
        wideMode[i] = static_cast<wchar_t>(mode[i]);
    return UniqueFile(_wfopen(path.c_str(), wideMode));
#else
    return UniqueFile(std::fopen(path.c_str(), mode));
#endif
}

bool closeFile(UniqueFile& file)
{
    return file && std::fclose(file.release()) == 0;
}
