#include "testsupport/win/Registry.h"

namespace wintest {

RegistryTree captureTree(HKEY root, const std::wstring& path)
{
    RegistryTree tree;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return tree;
    tree.exists = true;
    DWORD longestName = 0, longestData = 0;
    ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       &longestName, &longestData, nullptr, nullptr);
    for (DWORD i = 0;; ++i) {
        std::vector<wchar_t> name(longestName + 2);
        std::vector<uint8_t> data(longestData + 2);
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (::RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(),
                            &dataSize) != ERROR_SUCCESS)
            break;
        data.resize(dataSize);
        tree.values.push_back({std::wstring(name.data(), nameLength), type, data});
    }
    ::RegCloseKey(key);
    for (const std::wstring& child : subkeyNames(root, path))
        tree.children.emplace_back(child, captureTree(root, path + L"\\" + child));
    return tree;
}

void deleteTree(HKEY root, const std::wstring& path)
{
    ::RegDeleteTreeW(root, path.c_str());
}

namespace {

void writeTree(HKEY root, const std::wstring& path, const RegistryTree& tree)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    for (const RegistryTree::Value& value : tree.values)
        ::RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                         static_cast<DWORD>(value.data.size()));
    ::RegCloseKey(key);
    for (const auto& child : tree.children)
        writeTree(root, path + L"\\" + child.first, child.second);
}

}  // namespace

void restoreTree(HKEY root, const std::wstring& path, const RegistryTree& tree)
{
    deleteTree(root, path);
    if (tree.exists)
        writeTree(root, path, tree);
}

std::vector<std::wstring> subkeyNames(HKEY root, const std::wstring& path)
{
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        if (::RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    ::RegCloseKey(key);
    return names;
}

}  // namespace wintest
