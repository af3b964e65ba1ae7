// EAsaException: the class of every error the SQL Anywhere driver raises; it
// adds nothing to the frame's exception, so callers catch EOrvaneException.
#pragma once

#include "OrvException.h"

ORV_DECLARE_ORVANE_EXCEPTION(EAsaException, EOrvaneException);
