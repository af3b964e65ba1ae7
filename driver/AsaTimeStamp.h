// The server's 14-byte date-time record (bind type 390) to and from the
// framework's date-time.
#pragma once

#include "DateUtils.h"
#include "OrvEsql.h"

// The date and time of the record (the fraction, day of the week and day of
// the year are not read); 0.0 for a record that is no valid date or time,
// such as the all-zero record of a NULL value.
TDateTime GetAsaTimeStamp(const SQLDATETIME& record);
// Fills every field of the record from the value, milliseconds in the
// fraction. A value that cannot be decoded leaves the fields stored so far.
void PutAsaTimeStamp(SQLDATETIME& record, TDateTime value);
