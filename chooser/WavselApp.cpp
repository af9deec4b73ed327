// Wavsel's entry point: Vxfsend starts it without arguments to let the user
// choose a sound; the request and the answer travel in a shared block.
#include <windows.h>

#include "chooser/ChooserMain.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return chooserMain();
}
