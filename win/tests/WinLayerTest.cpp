#include "win/Dialog.h"
#include "win/ResourceString.h"
#include "win/SubclassedWindow.h"
#include "win/tests/WinLayerTestRes.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

// A dialog whose behaviour each test plugs in.
class CTestDialog : public CDialog {
public:
    CTestDialog() : CDialog(IDD_TEST_DIALOG) {}
    std::function<void(CTestDialog&)> onInit;
    std::function<bool(WORD)> onCommand;
    int initCount = 0;
    int destroyCount = 0;
    HWND hwndSeenAtInit = nullptr;

protected:
    BOOL OnInitDialog() override
    {
        ++initCount;
        hwndSeenAtInit = m_hWnd;
        if (onInit)
            onInit(*this);
        return TRUE;
    }
    bool OnCommand(WORD id, WORD, HWND) override { return onCommand ? onCommand(id) : false; }
    void OnDestroy() override { ++destroyCount; }
};

void postCommand(const CDialog& dialog, WORD id)
{
    ::PostMessageW(dialog.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

TEST(ModalDialog, EndsWithTheResultOfItsHandlerAndForgetsItsWindow)
{
    CTestDialog dialog;
    dialog.onInit = [](CTestDialog& d) { postCommand(d, IDC_TEST_BUTTON); };
    dialog.onCommand = [&](WORD id) {
        if (id != IDC_TEST_BUTTON)
            return false;
        dialog.EndDialog(42);
        return true;
    };
    EXPECT_EQ(dialog.DoModal(), 42);
    EXPECT_EQ(dialog.initCount, 1);
    EXPECT_NE(dialog.hwndSeenAtInit, nullptr);
    EXPECT_EQ(dialog.destroyCount, 1);
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
}

TEST(ModalDialog, OkAndCancelReachTheirDefaultHandlers)
{
    CTestDialog ok;
    ok.onInit = [](CTestDialog& d) { postCommand(d, IDOK); };
    EXPECT_EQ(ok.DoModal(), IDOK);

    CTestDialog cancel;
    cancel.onInit = [](CTestDialog& d) { postCommand(d, IDCANCEL); };
    EXPECT_EQ(cancel.DoModal(), IDCANCEL);
}

TEST(ModalDialog, AnExceptionInAHandlerStaysInsideTheDialog)
{
    CTestDialog dialog;
    dialog.onInit = [](CTestDialog& d) {
        postCommand(d, IDC_TEST_BUTTON);
        postCommand(d, IDOK);
    };
    dialog.onCommand = [](WORD id) -> bool {
        if (id == IDC_TEST_BUTTON)
            throw std::runtime_error("handler failed");
        return false;
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(ModelessDialog, EndDialogDestroysTheWindow)
{
    CTestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    HWND hwnd = dialog.GetSafeHwnd();
    ASSERT_TRUE(::IsWindow(hwnd));
    EXPECT_FALSE(dialog.IsModal());
    dialog.EndDialog(IDOK);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
    EXPECT_EQ(dialog.destroyCount, 1);
}

TEST(ModelessDialog, DestroyingTheObjectDestroysItsWindow)
{
    HWND hwnd;
    {
        CTestDialog dialog;
        ASSERT_TRUE(dialog.Create());
        hwnd = dialog.GetSafeHwnd();
    }
    EXPECT_FALSE(::IsWindow(hwnd));
}

TEST(ModalDialog, AMissingTemplateFailsInsteadOfShowingNothing)
{
    class CMissing : public CDialog {
    public:
        CMissing() : CDialog(4242) {}
    } dialog;
    EXPECT_EQ(dialog.DoModal(), -1);
}

// Counts the WM_SETTEXT messages of the window it is attached to.
class CTextCounter : public CSubclassedWindow {
public:
    int setTextCount = 0;
    bool swallow = false;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_SETTEXT) {
            ++setTextCount;
            if (swallow)
                return TRUE;
        }
        return Default(message, wParam, lParam);
    }
};

TEST(SubclassedWindow, SeesTheControlsMessagesBeforeTheControlDoes)
{
    CTestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    CTextCounter outer, inner;
    ASSERT_TRUE(inner.AttachDlgItem(dialog.GetSafeHwnd(), IDC_TEST_EDIT));
    ASSERT_TRUE(outer.AttachDlgItem(dialog.GetSafeHwnd(), IDC_TEST_EDIT));

    HWND edit = dialog.GetDlgItem(IDC_TEST_EDIT);
    ::SetWindowTextW(edit, L"abc");
    EXPECT_EQ(outer.setTextCount, 1);
    EXPECT_EQ(inner.setTextCount, 1);
    wchar_t text[16] = {};
    ::GetWindowTextW(edit, text, 16);
    EXPECT_STREQ(text, L"abc");

    outer.swallow = true;
    ::SetWindowTextW(edit, L"xyz");
    EXPECT_EQ(outer.setTextCount, 2);
    EXPECT_EQ(inner.setTextCount, 1) << "a swallowed message must not reach the next subclass";
    ::GetWindowTextW(edit, text, 16);
    EXPECT_STREQ(text, L"abc");
}

TEST(SubclassedWindow, LetsGoWhenTheWindowIsDestroyed)
{
    CTextCounter counter;
    {
        CTestDialog dialog;
        ASSERT_TRUE(dialog.Create());
        ASSERT_TRUE(counter.AttachDlgItem(dialog.GetSafeHwnd(), IDC_TEST_EDIT));
        EXPECT_NE(counter.GetSafeHwnd(), nullptr);
    }
    EXPECT_EQ(counter.GetSafeHwnd(), nullptr);
    EXPECT_FALSE(counter.Attach(nullptr));
}

TEST(ResourceString, ComesBackExactlyAsStored)
{
    EXPECT_EQ(loadResourceString(IDS_TEST_TEXT),
              L"\uFF83\uFF7D\uFF84\u518D\u751F\n\u300C\u78BA\u8A8D\u300D");
    EXPECT_EQ(loadResourceString(4321), L"");
}

}  // namespace
