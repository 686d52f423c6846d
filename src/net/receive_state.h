#pragma once

#include <cstdint>
#include <string>

#include "core/byte_string.h"

// Where the receive side stands between arrivals.
struct ReceiveState {
  ByteString ReceiveBuffer;       // received, not yet assigned to a message
  bool MessageTypeTaken = false;  // the current message's type byte has been taken
  uint8_t MessageType = 0;        // that type; a VarRegister's becomes its channel
  bool PayloadPending = false;    // the header is read; arrivals belong to the body
  int32_t ExpectedLength = 0;     // body length from the header
  int32_t ReceivedLength = 0;     // body bytes received so far
  ByteString MessagePayload;      // body bytes received and not yet consumed
  std::string TempFileName;       // temporary file of a CharacterData body (program folder)
  bool ServingRequests = false;   // this side is answering the peer's file requests
  bool Transplanting = false;     // a character is on its way, from or to this side
};
