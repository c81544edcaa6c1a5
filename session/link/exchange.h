#pragma once
// The exchanges the dialogue opens with the gateway's console, one at a time,
// and the phases of one. Every command but the prompt opens an exchange, which
// lives until the gateway's last line of it, until it has been silent for
// ExchangeMachine::kExchangeTimeoutTicks ticks, or until the link ends:
//
//   Asked ──announce──▶ Receiving ──worker──▶ Received / Failed ──finish──▶ closed   (loads)
//   Asked ──"receive …"──▶ Sent (block and "transmit_end" out) ──verdict──▶ closed   (sends)
//   Asked ──"receive …", block not sendable──▶ Withheld ──verdict──▶ closed
//
// While an exchange is open no second command starts, a "connect" reply queued
// behind the one that started it only keeps the link alive, and silent ticks
// send nothing: after a send command the gateway may be waiting for our block,
// and any line would land in it.

#include <cstdint>

namespace norvik {

enum class Exchange : uint8_t { None, Parameter, FileName, SendSafeValue, LoadSafeValue, SendIpSetting, LoadIpSetting };

enum class ExchangePhase : uint8_t { Asked, Receiving, Received, Failed, Sent, Withheld };

}  // namespace norvik
