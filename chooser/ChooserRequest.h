// The block Vxfsend and Wavsel share while the user chooses a sound: Vxfsend
// writes the request into it before it starts Wavsel, Wavsel writes the
// answer before it releases the semaphore. Both programs rely on this exact
// layout: 664 bytes, 32-bit little-endian integers, texts multibyte in the
// system code page and zero-terminated within their field.
#pragma once

#include <cstddef>
#include <cstdint>

// Named objects of the exchange; Vxfsend creates both, Wavsel opens them.
constexpr wchar_t kChooserMappingName[] = L"ORVEN heron_plume_mapping";
constexpr wchar_t kChooserSignalName[] = L"ORVEN heron_plume_signal";

constexpr size_t kChooserPathBytes = 260;
constexpr size_t kChooserTextBytes = 32;

struct ChooserRequest {
    int32_t ownerWindow;  // Vxfsend's main window as a 32-bit handle value: owner of the dialog
    int32_t openDialog;   // nonzero: open dialog; 0: save dialog
    char path[kChooserPathBytes];           // in: initial file name; out: the chosen file
    char initialFolder[kChooserPathBytes];  // folder the dialog starts in
    int32_t dialogError;                    // the common dialog's extended error code
    int32_t fileChosen;                     // nonzero when the user confirmed a file
    char okText[kChooserTextBytes];         // OK button and dialog title
    char cancelText[kChooserTextBytes];     // cancel button
    char playText[kChooserTextBytes];       // play button while nothing plays
    char stopText[kChooserTextBytes];       // play button while a sound plays
};

static_assert(sizeof(ChooserRequest) == 664, "the shared block is 664 bytes");
static_assert(offsetof(ChooserRequest, ownerWindow) == 0, "layout of the shared block");
static_assert(offsetof(ChooserRequest, openDialog) == 4, "layout of the shared block");
static_assert(offsetof(ChooserRequest, path) == 8, "layout of the shared block");
static_assert(offsetof(ChooserRequest, initialFolder) == 268, "layout of the shared block");
static_assert(offsetof(ChooserRequest, dialogError) == 528, "layout of the shared block");
static_assert(offsetof(ChooserRequest, fileChosen) == 532, "layout of the shared block");
static_assert(offsetof(ChooserRequest, okText) == 536, "layout of the shared block");
static_assert(offsetof(ChooserRequest, cancelText) == 568, "layout of the shared block");
static_assert(offsetof(ChooserRequest, playText) == 600, "layout of the shared block");
static_assert(offsetof(ChooserRequest, stopText) == 632, "layout of the shared block");
