// The dataset model of the framework: datasets, fields, field definitions,
// data sources and data links, and their errors.
#pragma once

#include "BlobField.h"
#include "DBConsts.h"
#include "DBError.h"
#include "DBTypes.h"
#include "DataSet.h"
#include "DataSource.h"
#include "Field.h"
#include "FieldDefs.h"
#include "StdFields.h"
