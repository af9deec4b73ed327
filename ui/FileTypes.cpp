#include "ui/FileTypes.h"

std::vector<std::wstring> fileTypeDescriptions(const std::wstring& filter)
{
    std::vector<std::wstring> descriptions;
    size_t start = 0;
    for (size_t field = 0; start < filter.size(); ++field) {
        size_t bar = filter.find(L'|', start);
        if (bar == std::wstring::npos)
            bar = filter.size();
        if (field % 2 == 0 && bar > start)
            descriptions.push_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    return descriptions;
}

std::wstring fileTypePattern(const std::wstring& description)
{
    const size_t open = description.find(L'(');
    if (open == std::wstring::npos)
        return std::wstring();
    const size_t close = description.find(L')', open + 1);
    if (close == std::wstring::npos)
        return std::wstring();
    return description.substr(open + 1, close - open - 1);
}

bool isSoundFileType(const std::wstring& description)
{
    return description == L"WAVE Files(*.wav)";
}
