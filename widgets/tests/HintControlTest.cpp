#include "widgets/tests/WidgetTestSupport.h"
#include "widgets/tests/WidgetsTestRes.h"

#include "widgets/HintBitmapButton.h"
#include "widgets/HintButton.h"
#include "widgets/HintComboBox.h"
#include "widgets/HintEdit.h"
#include "widgets/HintFileList.h"
#include "widgets/HintProgress.h"
#include "widgets/HintStatic.h"
#include "widgets/HintTabCtrl.h"
#include "widgets/HintWnd.h"
#include "widgets/IconListBox.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class HintControls : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&controls);
        ASSERT_TRUE(m_host.Open());
    }
    HWND control(int id) const { return m_host.GetDlgItem(id); }
    // Hint requests that reached the host since the last call.
    std::vector<std::pair<WPARAM, LPARAM>> takeHints()
    {
        pumpMessages();
        auto hints = m_host.hints;
        m_host.hints.clear();
        return hints;
    }

    CHostDialog m_host;
};

struct Kind {
    const char* name;
    int id;
    std::function<std::unique_ptr<CSubclassedWindow>()> make;
};

TEST_F(HintControls, MouseOverPostsTheIdAndRightButtonUpStaysWithTheControl)
{
    const Kind kinds[] = {
        {"button", IDC_HOST_BUTTON, [] { return std::make_unique<CHintButton>(); }},
        {"edit", IDC_HOST_EDIT, [] { return std::make_unique<CHintEdit>(); }},
        {"combo box", IDC_HOST_COMBO, [] { return std::make_unique<CHintComboBox>(); }},
        {"tab control", IDC_HOST_TAB, [] { return std::make_unique<CHintTabCtrl>(); }},
        {"progress bar", IDC_HOST_PROGRESS, [] { return std::make_unique<CHintProgress>(); }},
        {"file list", IDC_HOST_FILE_LIST, [] { return std::make_unique<CHintFileList>(); }},
        {"icon list", IDC_HOST_ICON_LIST, [] { return std::make_unique<CIconListBox>(); }},
        {"picture button", IDC_HOST_PICTURE_BUTTON, [] { return std::make_unique<CHintBitmapButton>(); }},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        CMessageRecorder below;
        ASSERT_TRUE(below.AttachDlgItem(m_host.GetSafeHwnd(), kind.id));
        auto widget = kind.make();
        ASSERT_TRUE(widget->AttachDlgItem(m_host.GetSafeHwnd(), kind.id));

        ::SendMessageW(control(kind.id), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        const auto hints = takeHints();
        ASSERT_EQ(hints.size(), 1u);
        EXPECT_EQ(hints[0].first, static_cast<WPARAM>(kind.id));
        EXPECT_EQ(hints[0].second, 0);
        EXPECT_TRUE(below.Saw(WM_MOUSEMOVE));

        ::SendMessageW(control(kind.id), WM_RBUTTONUP, 0, MAKELPARAM(2, 2));
        EXPECT_FALSE(below.Saw(WM_RBUTTONUP));
        ::SendMessageW(control(kind.id), WM_RBUTTONDOWN, 0, MAKELPARAM(2, 2));
        EXPECT_TRUE(below.Saw(WM_RBUTTONDOWN));
        widget->Detach();
        below.Detach();
    }
}

TEST_F(HintControls, AStaticAnswersTheHitTestAndReportsFromThere)
{
    HWND text = control(IDC_HOST_STATIC);
    EXPECT_EQ(::SendMessageW(text, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
    EXPECT_TRUE(takeHints().empty());

    CHintStatic hint;
    ASSERT_TRUE(hint.AttachDlgItem(m_host.GetSafeHwnd(), IDC_HOST_STATIC));
    EXPECT_EQ(::SendMessageW(text, WM_NCHITTEST, 0, 0), HTCLIENT);
    const auto hints = takeHints();
    ASSERT_EQ(hints.size(), 1u);
    EXPECT_EQ(hints[0].first, static_cast<WPARAM>(IDC_HOST_STATIC));
}

TEST_F(HintControls, AGenericWindowKeepsEveryRightButtonMessage)
{
    CMessageRecorder below;
    ASSERT_TRUE(below.AttachDlgItem(m_host.GetSafeHwnd(), IDC_HOST_WINDOW));
    CHintWnd hint;
    ASSERT_TRUE(hint.AttachDlgItem(m_host.GetSafeHwnd(), IDC_HOST_WINDOW));
    for (UINT message : {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK})
        ::SendMessageW(control(IDC_HOST_WINDOW), message, 0, 0);
    ::SendMessageW(control(IDC_HOST_WINDOW), WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(below.seen, std::vector<UINT>{WM_MOUSEMOVE});
    EXPECT_EQ(takeHints().size(), 1u);
}

} // namespace
