#pragma once
// A core header that reaches up into the app layer: the layer check must refuse this tree.
#include "app/TipsBox.h"
