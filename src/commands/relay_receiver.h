#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "core/byte_string.h"
#include "net/relay_handler.h"

struct AppPaths;
struct RelayTables;

// The relay's receive side: gives the peer's keys their channels in the relay tables, sets
// the channels of this side's keys, and writes each value that arrives into its key's file.
class RelayReceiver : public RelayHandler {
 public:
  RelayReceiver(AppPaths& paths, RelayTables& relay);

  std::optional<Channel> VarRegister(const ByteString& key) override;
  void VarChannel(uint8_t channel, const ByteString& key) override;
  void VarValue(uint8_t channel, const ByteString& value) override;

  // Where delivered values go: WriteVarFile unless replaced (tests record the calls).
  using VarWriter = std::function<void(const std::string& gameDir, const ByteString& value,
                                       const std::string& key, int32_t count)>;
  void SetVarWriter(VarWriter writer) { varWriter_ = std::move(writer); }

 private:
  AppPaths& paths_;
  RelayTables& relay_;
  VarWriter varWriter_;
};
