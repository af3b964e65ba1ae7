// The driver's enumerations (how to reach the server, the isolation level sent
// after connecting, server message kinds) and its event types.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "TypInfo.h"

class TObject;

enum TAsaServerType : uint8_t { stClient, stServer, stWorkgroup };
ORV_ENUM_INFO(TAsaServerType, stClient, stServer, stWorkgroup)

// atReapeatableRead is spelled as form files of the component have always
// spelled it; renaming it would make those files unreadable.
enum TAsaTransIsolation : uint8_t {
  atUnchanged,
  atReadUncommitted,
  atReadCommitted,
  atReapeatableRead,
  atSerializable
};
ORV_ENUM_INFO(TAsaTransIsolation, atUnchanged, atReadUncommitted, atReadCommitted, atReapeatableRead,
              atSerializable)

enum TServerMessageType : uint8_t { mtUnknown, mtInfo, mtWarning, mtAction, mtStatus };
ORV_ENUM_INFO(TServerMessageType, mtUnknown, mtInfo, mtWarning, mtAction, mtStatus)

using TServerMessageEvent =
    std::function<void(TObject* sender, TServerMessageType messageType, int32_t messageCode,
                       const std::string& msg)>;
// The handler sets abortRequest to cancel the request the server is working on.
using TServerWaitEvent = std::function<void(TObject* sender, bool& abortRequest)>;
using TBackupEvent = std::function<void(TObject* sender, const std::string& backupFile,
                                        int32_t numOfPages, int32_t currPage)>;
