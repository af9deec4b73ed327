// Texts of the shared chooser block: multibyte in the system code page,
// zero-terminated within their fixed field. The rest of a field is zeroed.
#pragma once

#include <cstddef>
#include <string>

// Stores the whole text, or nothing: false (and an empty field) when the
// code page cannot represent it or it does not fit with its terminator.
// For paths, which must never arrive changed.
bool storeWholeText(char* field, size_t fieldBytes, const std::wstring& text);

// Stores as much of the text as fits before the terminator, never half a
// character. Characters the code page lacks become its default character.
// For labels, which may be cut.
void storeCutText(char* field, size_t fieldBytes, const std::wstring& text);

// The text up to the terminator, or up to the field's end when there is none.
std::wstring readText(const char* field, size_t fieldBytes);

template <size_t N>
bool storeWholeText(char (&field)[N], const std::wstring& text)
{
    return storeWholeText(field, N, text);
}

template <size_t N>
void storeCutText(char (&field)[N], const std::wstring& text)
{
    storeCutText(field, N, text);
}

template <size_t N>
std::wstring readText(const char (&field)[N])
{
    return readText(field, N);
}

// Forces the terminator into the last byte of the field.
template <size_t N>
void terminateText(char (&field)[N])
{
    field[N - 1] = '\0';
}
