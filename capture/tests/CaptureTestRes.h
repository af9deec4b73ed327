// Dialogs of the capture tests only; their controls carry the main window's ids.
#pragma once

#define IDD_CAPTURE_TEST_HOST     9001  // stands in for the capture tab
#define IDD_PROGRESS_RECORDER     9002  // stands in for the capture progress window
