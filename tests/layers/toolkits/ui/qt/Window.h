#pragma once
// A toolkit's window: it may include the desktop layer, but not the other toolkit.
#include "desktop/MainView.h"
#include "ui/win32/Dialog.h"
