#pragma once
// Configurations the demo and the benchmark open the views with.

#include <string>

#include "model/gateway_config.h"

namespace norvik::bench {

// The simulator's demo gateway read from its description file (JSON), placed the way
// the parameter block places it: the system module first, the records after it.
GatewayConfig configFromDescription(const std::string& path);

// A master whose modules collide in every way the Modbus view tells apart.
GatewayConfig overlapConfig();

// The same modules seen by a slave gateway.
GatewayConfig slaveConfig();

// Thirty-two modules spread over all kinds, some colliding: the benchmark's load.
GatewayConfig fullConfig();

}  // namespace norvik::bench
