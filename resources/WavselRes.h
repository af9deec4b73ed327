// Resource ids of Wavsel ("Wavsel.mdl"). It has no dialog template of its
// own: it changes the system's Explorer-style open dialog from outside.
// Names carry WAVSEL so that code built into both programs can include both
// headers. Plain #defines only: read by windres and C++.
#pragma once

// ---------------------------------------------------------------------------
// Control the hook adds to the system's open dialog
#define IDC_WAVSEL_PLAY         0x500  // 1280: test play / stop

// ---------------------------------------------------------------------------
// Strings: caption and texts of Wavsel's boxes
#define IDS_WAVSEL_TITLE            1  // program name, caption of the boxes
#define IDS_WAVSEL_PLAYBACK_FAILED  2  // error while playing the sound
#define IDS_WAVSEL_NAME_UNUSABLE    3  // the chosen file's name cannot be handed back
