// The unit OrvBase: the database-independent frame that every driver builds on
// (vocabulary, messages, free routines, session, statement, host variables,
// row buffers and the blob manager).
#pragma once

#include "OrvBlobManager.h"
#include "OrvBlobStream.h"
#include "OrvException.h"
#include "OrvMessages.h"
#include "OrvNotify.h"
#include "OrvRoutines.h"
#include "OrvSQL.h"
#include "OrvSession.h"
#include "OrvTypes.h"
#include "OrvVariables.h"
