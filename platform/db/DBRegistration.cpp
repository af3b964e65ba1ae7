// Makes the field classes and the data source known to the form reader when
// the framework library loads, so that persistent fields can be read back.
#include "BlobField.h"
#include "ClassRegistry.h"
#include "DataSource.h"
#include "StdFields.h"

namespace {
const bool registered = [] {
  RegisterClasses({TStringField::StaticClass(), TIntegerField::StaticClass(), TFloatField::StaticClass(),
                   TCurrencyField::StaticClass(), TBooleanField::StaticClass(), TDateField::StaticClass(),
                   TTimeField::StaticClass(), TDateTimeField::StaticClass(), TBytesField::StaticClass(),
                   TBlobField::StaticClass(), TMemoField::StaticClass(), TDataSource::StaticClass()});
  return true;
}();
}  // namespace
