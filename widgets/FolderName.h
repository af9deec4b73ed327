// Rules for the name of a folder the user creates.
#pragma once

#include <cstddef>
#include <string>

// False for an empty name, ".", "..", and any name with a character Windows
// refuses in file names: \ / : * ? " < > |
bool isValidFolderName(const std::wstring& name);

// How many characters the name of a new folder in `parentLength`-long
// parent path may have, on a file system whose names have at most
// `maxComponentLength` characters: 8 on a short-name file system (12 or
// less), else the limit minus the parent's length, where a limit above 254
// counts as 246. Below 1 no name fits.
int folderNameLimit(unsigned long maxComponentLength, std::size_t parentLength);
