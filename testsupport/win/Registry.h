// Registry keys as whole trees, for the Windows tests that change the shared
// Windows (or Wine prefix): captured before, compared, put back after.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace wintest {

struct RegistryTree {
    struct Value {
        std::wstring name;
        DWORD type = 0;
        std::vector<uint8_t> data;
        bool operator==(const Value& other) const
        {
            return name == other.name && type == other.type && data == other.data;
        }
    };
    bool exists = false;
    std::vector<Value> values;
    std::vector<std::pair<std::wstring, RegistryTree>> children;
    bool operator==(const RegistryTree& other) const
    {
        return exists == other.exists && values == other.values && children == other.children;
    }
};
RegistryTree captureTree(HKEY root, const std::wstring& path);
// Deletes the key and rebuilds it from the tree (nothing when it did not exist).
void restoreTree(HKEY root, const std::wstring& path, const RegistryTree& tree);
void deleteTree(HKEY root, const std::wstring& path);
// Subkey names of a key in enumeration order.
std::vector<std::wstring> subkeyNames(HKEY root, const std::wstring& path);

}  // namespace wintest
