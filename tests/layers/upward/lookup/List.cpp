#include "common/text.h"
#include "settings/Settings.h"
