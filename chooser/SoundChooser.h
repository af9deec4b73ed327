// Vxfsend's side of the sound chooser: the request goes to Wavsel
// ("Wavsel.mdl" in Vxfsend's start folder) through the shared block, Wavsel
// shows its dialog and answers there, and releases the semaphore.
#pragma once

#include <windows.h>

#include "chooser/KernelHandle.h"

#include <string>

class SoundChooser {
public:
    // `startFolder`: Vxfsend's current directory at its start, which holds Wavsel.mdl.
    explicit SoundChooser(std::wstring startFolder);

    // Lets the user choose a sound file in Wavsel, whose dialog `owner` owns
    // and which starts in `initialFolder`. Meanwhile the calling thread's
    // messages are dispatched, so its windows stay responsive (their controls
    // are the caller's to disable); a WM_QUIT taken from the queue is posted
    // again before this returns. Returns the chosen file's full path; empty
    // when the user cancelled, Wavsel ended without an answer or the
    // exchange could not be set up. Shows message 615 (owned by `owner`) when
    // Wavsel.mdl cannot be started.
    std::wstring runSoundChooser(HWND owner, const std::wstring& initialFolder);

private:
    const std::wstring startFolder_;
    // The Wavsel of the last run, which may still be ending.
    KernelHandle lastChooser_;
};

// Where Vxfsend starts Wavsel from: "Wavsel.mdl" in the start folder.
std::wstring chooserProgramPath(const std::wstring& startFolder);
