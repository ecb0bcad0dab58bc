#pragma once
// The project list may not see the numbers, which are built over it.
#include "numbers/NumberBatch.h"
