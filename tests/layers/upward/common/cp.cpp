#include "common/cp.h"
#include "settings/Settings.h"
