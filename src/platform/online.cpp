#include "platform/online.h"
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {
std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
}  // namespace

std::vector<std::string> ParseDefaultRouteInterfaces(std::string_view routes)
{
    // Columns: Iface Destination Gateway Flags ... ; flag 0x1 = route up.
    std::vector<std::string> out;
    std::istringstream in{std::string(routes)};
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string iface, destination, gateway, flags;
        if (!(fields >> iface >> destination >> gateway >> flags)) continue;
        unsigned long f = std::strtoul(flags.c_str(), nullptr, 16);
        if (destination == "00000000" && (f & 0x1) && iface != "lo") out.push_back(iface);
    }
    return out;
}

bool IsNetworkConnected()
{
    for (const std::string& iface : ParseDefaultRouteInterfaces(ReadFile("/proc/net/route"))) {
        std::string state = ReadFile("/sys/class/net/" + iface + "/operstate");
        // Tunnels and some drivers report "unknown" while they carry traffic.
        if (state.rfind("up", 0) == 0 || state.rfind("unknown", 0) == 0) return true;
    }
    return false;
}
