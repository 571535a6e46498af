#include "common/text.h"
#include "settings/Settings.h"
#include "ui/Form.h"
