// The process-wide locale settings.
#include "FormatSettings.h"

TFormatSettings FormatSettings;
