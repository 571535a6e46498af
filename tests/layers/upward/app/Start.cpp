#include "maint/Screen.h"
#include "sysinfo/cProfile.h"
#include "ui/Kit.h"
