// The framework's SysUtils in one include: exceptions, conversions, Format,
// string helpers, date-time routines, file names and resource strings.
#pragma once

#include "AnsiStrings.h"
#include "CodePages.h"
#include "Conversions.h"
#include "Currency.h"
#include "DateFormat.h"
#include "DateUtils.h"
#include "FileUtils.h"
#include "Format.h"
#include "FormatSettings.h"
#include "ResourceStrings.h"
#include "RtlConsts.h"
#include "SysExceptions.h"
