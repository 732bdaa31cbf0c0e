// `HandlesMade(kind)`: the objects of a kind made through the framework since the start,
// released or not (beside the live counts of framework/Handles.h). Work repeated per
// message shows here even when each object is freed at once.
#pragma once

#include "framework/Handles.h"

int HandlesMade(THandleKind kind);
