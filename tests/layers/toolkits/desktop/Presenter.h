#pragma once
// The desktop layer reaching down into a toolkit: refused.
#include "ui/qt/Window.h"
