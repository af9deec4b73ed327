#include "tests/ExpectedTexts.h"
#include "testsupport/win/Process.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The programs' own string tables, read from the files as built.
class ProgramStrings : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (m_module)
            ::FreeLibrary(m_module);
    }
    void open(const wchar_t* fileName)
    {
        m_module = ::LoadLibraryExW(wintest::besideTest(fileName).c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(m_module, nullptr);
    }
    std::wstring text(UINT id) const
    {
        const wchar_t* p = nullptr;
        const int n = ::LoadStringW(m_module, id, reinterpret_cast<LPWSTR>(&p), 0);
        return n > 0 ? std::wstring(p, static_cast<size_t>(n)) : std::wstring();
    }

    HMODULE m_module = nullptr;
};

TEST_F(ProgramStrings, VxfsendTextsAreStoredExactly)
{
    open(L"Vxfsend.exe");
    EXPECT_EQ(text(102), EXPECTED_APP_TITLE);
    EXPECT_EQ(
        text(510),
        L"BitMap Files(*.jpg;*.bmp)|*.jpg;*.bmp|JPEG Files(*.jpg)|*.jpg|BMP Files(*.bmp)|*.bmp||");
    // "画像ファイルが読み込めません。"
    EXPECT_EQ(text(606), L"\u753B\u50CF\u30D5\u30A1\u30A4\u30EB\u304C\u8AAD\u307F\u8FBC\u3081\u307E"
                         L"\u305B\u3093\u3002");
    // Two lines: the suite is missing; install it first, then start the uploader.
    EXPECT_EQ(text(616),
              L"ORVEN Vidro!3 \u304C\u898B\u3064\u304B\u308A\u307E\u305B\u3093\u3002\n"
              L"ORVEN Vidro!3 \u3092\u3042\u3089\u304B\u3058\u3081\u30A4\u30F3\u30B9\u30C8\u30FC"
              L"\u30EB\u3057\u3066\u304B\u3089"
              L"\u3001" EXPECTED_APP_TITLE L" \u3092\u8D77\u52D5\u3057\u3066\u304F\u3060\u3055"
              L"\u3044\u3002");
    EXPECT_EQ(text(9999), L"");
}

TEST_F(ProgramStrings, WavselHasItsOwnTitleAndPlaybackError)
{
    open(L"Wavsel.mdl");
    EXPECT_EQ(text(1), EXPECTED_APP_TITLE);
    // "サウンドの再生で、エラーになりました。"
    EXPECT_EQ(text(2),
              L"\u30B5\u30A6\u30F3\u30C9\u306E\u518D\u751F\u3067\u3001\u30A8\u30E9\u30FC\u306B"
              L"\u306A\u308A\u307E\u3057\u305F\u3002");
}

}  // namespace
