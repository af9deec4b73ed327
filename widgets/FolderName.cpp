#include "widgets/FolderName.h"

bool isValidFolderName(const std::wstring& name)
{
    if (name.empty() || name == L"." || name == L"..")
        return false;
    return name.find_first_of(L"\\/:*?\"<>|") == std::wstring::npos;
}

int folderNameLimit(unsigned long maxComponentLength, std::size_t parentLength)
{
    if (maxComponentLength > 254)
        maxComponentLength = 246;
    if (maxComponentLength <= 12)
        return 8;
    return static_cast<int>(maxComponentLength) - static_cast<int>(parentLength);
}
