#include "skin/dialogs/sDialogs.h"

// Both classes are the framework's dialogs under their own names: everything they do is
// inherited, and the thread hook skins the platform window they show.
