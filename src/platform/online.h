// Whether the machine is connected: a default route over an interface that
// is up. Nothing is sent on the network.
#pragma once
#include <string>
#include <string_view>
#include <vector>

bool IsNetworkConnected();
// Interfaces carrying a default route in /proc/net/route text.
std::vector<std::string> ParseDefaultRouteInterfaces(std::string_view routes);
