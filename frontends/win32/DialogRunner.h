#pragma once
// Shows one of the game's dialog templates modally and forwards its
// commands to the dialog's behaviour, which lives in the game itself.

#include <windows.h>

#include "platform/Dialog.h"

namespace vilmar::win32 {

void runDialogBox(HINSTANCE instance, HWND owner, Dialog& dialog);

}  // namespace vilmar::win32
