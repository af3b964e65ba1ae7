// The unit OrvAsa: the SQL Anywhere driver over the Embedded SQL library
// (library binding, session, errors, statement, blob stream, timestamps).
#pragma once

#include "AsaException.h"
#include "AsaBlobStream.h"
#include "AsaLibrary.h"
#include "AsaSQL.h"
#include "AsaSession.h"
#include "AsaTimeStamp.h"
#include "AsaTypes.h"
