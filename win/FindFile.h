// A FindFirstFileW search that closes itself; "." and ".." are passed over.
#pragma once
#include <windows.h>

class CFindFile {
public:
    CFindFile() = default;
    ~CFindFile() { Close(); }
    CFindFile(const CFindFile&) = delete;
    CFindFile& operator=(const CFindFile&) = delete;

    // Starts a search for `pattern` (wildcards as FindFirstFileW takes
    // them); false when nothing matches or the folder cannot be read.
    bool FindFirst(const wchar_t* pattern)
    {
        Close();
        m_search = ::FindFirstFileW(pattern, &m_found);
        return m_search != INVALID_HANDLE_VALUE && (!IsDotEntry() || FindNext());
    }
    // The next match; false at the end.
    bool FindNext()
    {
        while (m_search != INVALID_HANDLE_VALUE && ::FindNextFileW(m_search, &m_found)) {
            if (!IsDotEntry())
                return true;
        }
        return false;
    }
    // The current match.
    const WIN32_FIND_DATAW& Found() const { return m_found; }
    bool IsFolder() const { return (m_found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    // Safe to call twice.
    void Close()
    {
        if (m_search != INVALID_HANDLE_VALUE)
            ::FindClose(m_search);
        m_search = INVALID_HANDLE_VALUE;
    }

private:
    bool IsDotEntry() const
    {
        const wchar_t* name = m_found.cFileName;
        return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
    }

    HANDLE m_search = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW m_found = {};
};
