#pragma once

#include "device/PortDiscovery.h"
#include "device/PortError.h"

#include <QString>
#include <vector>

// The device path tried and why it did not open, in plain words, for the lines under the panel's
// "포트를 확인하십시요.". `present` is what discovery found, offered when the device is missing.
// Every reason text of the port lives here.
QString PortErrorText(const PortError& error, const std::vector<DiscoveredPort>& present);
