// Sounds of the upload entries: chosen in Wavsel (the real program, started
// by the window), checked, auditioned and removed again.
#include "resources/VxfsendRes.h"
#include "sound/win/tests/TestWaves.h"
#include "testsupport/TestFiles.h"
#include "testsupport/win/TestFiles.h"
#include "ui/tests/WindowHarness.h"
#include "win/ResourceString.h"

#include <gtest/gtest.h>

#include <mmsystem.h>

#include <string>
#include <vector>

namespace {

using namespace testwaves;

constexpr int kChooserNameEdit = 1152;

std::wstring text(UINT id)
{
    return loadResourceString(id);
}

class SoundAssociation : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_GT(::waveOutGetNumDevs(), 0u)
            << "no waveform output device: these tests need one (under Wine: "
               "HOME with an .asoundrc that routes ALSA's default device to a null device)";
        write(L"tone.wav", silence8k(2000));
        write(L"other.wav", silence8k(500));
        write(L"adpcm.wav", riff("WAVE", chunk("fmt ", formatRecord(1, 8000, 4, 2)) +
                                             chunk("data", std::string(400, '\0'))));
        write(L"owned.wav",
              riff("WAVE",
                   chunk("fmt ", formatRecord(1, 8000, 8)) +
                       chunk("data", std::string(800, '\x80')) +
                       chunk("LIST", "INFO" + chunk("ICOP", std::string("(c) someone\0", 12)))));
        write(L"empty.wav", riff("WAVE", chunk("junk", "x")));
        for (const wchar_t* name : {L"a.jpg", L"b.jpg", L"c.jpg"})
            write(name, "x");
        AppSettings settings = WindowHarness::settingsFor(folder.path().wstring());
        settings.DebugMode |= kDebugDropFiles;
        window = std::make_unique<WindowHarness>(settings);
        ASSERT_TRUE(window->started());
        window->dropFiles({(folder / L"a.jpg").wstring(), (folder / L"b.jpg").wstring(),
                           (folder / L"c.jpg").wstring()});
    }
    void write(const wchar_t* name, const std::string& bytes)
    {
        ASSERT_NO_THROW(writeFileText((folder / name).wstring(), bytes));
    }
    unsigned icon(int entry)
    {
        std::wstring entryText;
        int iconId = 0;
        void* data = nullptr;
        window->dialog().UploadListBox().GetItem(entry, entryText, iconId, data);
        return static_cast<unsigned>(iconId);
    }
    // Sound select on entry `entry`, the user choosing `name` in Wavsel.
    void choose(int entry, const std::wstring& name)
    {
        window->selectFiles(IDC_UPLOAD_LIST, {entry});
        ::PostMessageW(window->window(), WM_COMMAND, MAKEWPARAM(IDC_SOUND_SELECT, BN_CLICKED), 0);
        HWND dialog = waitForChooser(window->window());
        ASSERT_NE(dialog, nullptr) << "Wavsel's dialog did not open";
        ::SendMessageW(::GetDlgItem(dialog, kChooserNameEdit), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(name.c_str()));
        ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        for (int i = 0; i < 800 && !window->enabled(IDC_UPLOAD); ++i)
            ::Sleep(25);
    }
    void expectBox(UINT messageId, int answer)
    {
        HWND box = waitForMessageBox(window->threadId());
        ASSERT_NE(box, nullptr) << "no message " << messageId;
        EXPECT_EQ(messageBoxText(box), text(messageId));
        answerMessageBox(box, answer);
        window->settle();
    }

    TempFolder folder;
    std::unique_ptr<WindowHarness> window;
};

TEST_F(SoundAssociation, AttachedSoundPlaysAsTheCameraWillAndGoesAgain)
{
    choose(1, L"tone.wav");
    EXPECT_EQ(icon(1), static_cast<unsigned>(IDB_SOUND_ATTACHED));
    EXPECT_EQ(window->uploadTexts()[1], L"[V] b.jpg");
    EXPECT_TRUE(window->enabled(IDC_SOUND_TEST) && window->enabled(IDC_SOUND_DELETE));

    // Play, stop, and play again before the first notice: one notice each.
    window->click(IDC_SOUND_TEST);
    EXPECT_EQ(window->text(IDC_SOUND_TEST), text(IDS_SOUND_STOP));
    ::SendMessageW(window->window(), WM_COMMAND, MAKEWPARAM(IDC_SOUND_TEST, BN_CLICKED), 0);
    ::SendMessageW(window->window(), WM_COMMAND, MAKEWPARAM(IDC_SOUND_TEST, BN_CLICKED), 0);
    window->settle();
    EXPECT_EQ(window->text(IDC_SOUND_TEST), text(IDS_SOUND_STOP))
        << "a late notice ended the new playback";
    window->click(IDC_SOUND_TEST);
    for (int i = 0; i < 400 && window->text(IDC_SOUND_TEST) != text(IDS_SOUND_PLAY); ++i)
        window->settle();
    EXPECT_EQ(window->text(IDC_SOUND_TEST), text(IDS_SOUND_PLAY));

    window->selectFiles(IDC_UPLOAD_LIST, {0, 1, 2});
    EXPECT_TRUE(window->enabled(IDC_SOUND_DELETE));
    EXPECT_FALSE(window->enabled(IDC_SOUND_TEST));
    window->click(IDC_SOUND_DELETE);
    EXPECT_EQ(icon(1), static_cast<unsigned>(IDB_SOUND_NONE));
    EXPECT_EQ(::SendMessageW(window->item(IDC_UPLOAD_LIST), LB_GETSELCOUNT, 0, 0), 0);
    EXPECT_FALSE(window->enabled(IDC_SOUND_SELECT) || window->enabled(IDC_SOUND_TEST) ||
                 window->enabled(IDC_SOUND_DELETE));
}

TEST_F(SoundAssociation, RefusedSoundsLeaveTheEntryAsItWasAndABrokenOneDoesNotPlay)
{
    choose(0, L"other.wav");
    choose(0, L"adpcm.wav");
    expectBox(IDS_MSG_SOUND_NOT_ASSOCIATED, IDOK);
    choose(0, L"owned.wav");
    expectBox(IDS_MSG_DROP_COPYRIGHT, IDNO);
    expectBox(IDS_MSG_SOUND_NOT_ASSOCIATED, IDOK);
    EXPECT_EQ(icon(0), static_cast<unsigned>(IDB_SOUND_ATTACHED)) << "the earlier sound stays";

    // A WAVE file without its chunks is attached, but cannot be played.
    choose(2, L"empty.wav");
    EXPECT_EQ(icon(2), static_cast<unsigned>(IDB_SOUND_ATTACHED));
    ::PostMessageW(window->window(), WM_COMMAND, MAKEWPARAM(IDC_SOUND_TEST, BN_CLICKED), 0);
    expectBox(IDS_MSG_PLAYBACK_FAILED, IDOK);
    EXPECT_EQ(window->text(IDC_SOUND_TEST), text(IDS_SOUND_PLAY));
}

}  // namespace
