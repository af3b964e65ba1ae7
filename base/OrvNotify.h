// The event type of the frame's components: a notification with the sender only.
#pragma once

#include <functional>

class TObject;

// The same alias as the framework's, should the framework declare one too.
using TNotifyEvent = std::function<void(TObject* sender)>;
