// Raising EDatabaseError with the component's name.
#include "DBError.h"

#include "Classes.h"

void DatabaseError(const std::string& message, const TComponent* component) {
  if (component != nullptr && !component->Name().empty()) throw EDatabaseError(component->Name() + ": " + message);
  throw EDatabaseError(message);
}
