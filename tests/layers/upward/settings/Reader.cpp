#include "settings/Reader.h"

#include "common/text.h"
#include "ui/Controls.h"
