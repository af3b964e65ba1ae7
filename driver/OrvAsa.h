// The unit OrvAsa: the SQL Anywhere driver over the Embedded SQL library
// (library binding, session, errors).
#pragma once

#include "AsaException.h"
#include "AsaLibrary.h"
#include "AsaSession.h"
#include "AsaTypes.h"
