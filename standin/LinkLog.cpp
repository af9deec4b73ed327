#include "standin/LinkLog.h"

#include "base/PathText.h"
#include "standin/StandinSupport.h"

#include <windows.h>

namespace standin {

void LinkLog::line(const std::wstring& text) const
{
    if (m_path.empty())
        return;
    HANDLE file =
        ::CreateFileW(m_path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string bytes = utf8FromWide(text) + "\n";
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

}  // namespace standin
