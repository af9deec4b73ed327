// The browser's file types: the "Filter" setting lists descriptions and
// patterns, each followed by "|"; the pattern the browser lists with is the
// text between the parentheses of the description.
#pragma once

#include <string>
#include <vector>

// The descriptions (1st, 3rd, 5th ... fields), empty ones skipped.
std::vector<std::wstring> fileTypeDescriptions(const std::wstring& filter);

// The text between the first "(" and the first ")" after it; empty when
// there is none.
std::wstring fileTypePattern(const std::wstring& description);

// The description of sound files: the browser then lists WAV files for the
// sound buttons, and nothing can be added to the upload list.
bool isSoundFileType(const std::wstring& description);
