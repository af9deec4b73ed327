// A system for the settings rules: a fixed executable path, a set of
// existing folders and a string table, recording every directory change.
#pragma once

#include "Settings.h"

#include <map>
#include <set>
#include <string>
#include <vector>

class FakeEnvironment : public SettingsEnvironment {
public:
    FakeEnvironment()
    {
        strings = {
            {102, L"ORVEN Vidroﾌｧｲﾙｱｯﾌﾟﾛｰﾀﾞ3"},
            {103, L"V1.30J"},
            {104, L"ORVEN KX-40"},
            {105, L"Vidro!3.ini"},
            {204, L"ORVEN KX-ORIN"},
            {510, L"BitMap Files(*.jpg;*.bmp)|*.jpg;*.bmp|JPEG Files(*.jpg)|*.jpg|BMP Files(*.bmp)|*.bmp||"},
        };
        folders = {L"C:\\Program Files\\Vxfsend", L"C:\\Start", L"C:\\Pictures", L"C:\\Captures"};
    }

    std::wstring executablePath() override { return exePath; }
    std::wstring startDirectory() override { return startDir; }
    bool setCurrentDirectory(const std::wstring& path) override
    {
        attempts.push_back(path);
        if (!folders.count(path))
            return false;
        current = path;
        return true;
    }
    std::wstring temporaryFolder() override { return temp; }
    std::wstring loadString(unsigned id) override
    {
        const auto it = strings.find(id);
        return it == strings.end() ? std::wstring() : it->second;
    }

    std::wstring exePath = L"C:\\Program Files\\Vxfsend\\Vxfsend.exe";
    std::wstring startDir = L"C:\\Start";
    std::wstring temp = L"C:\\TEMP\\";
    std::wstring current = L"C:\\Start";
    std::set<std::wstring> folders;
    std::map<unsigned, std::wstring> strings;
    std::vector<std::wstring> attempts;
};
