#include "platform/netinfo/local_address.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace platform {

std::string FirstNonLoopbackIPv4()
{
    struct ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return std::string();
    std::string result;
    for (struct ifaddrs* it = list; it && result.empty(); it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET) continue;
        if (!(it->ifa_flags & IFF_UP) || (it->ifa_flags & IFF_LOOPBACK)) continue;
        const auto* in = reinterpret_cast<const struct sockaddr_in*>(it->ifa_addr);
        // 127/8 counts as loopback even on an interface not flagged so.
        if ((ntohl(in->sin_addr.s_addr) >> 24) == 127) continue;
        char text[INET_ADDRSTRLEN] = {};
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) result = text;
    }
    freeifaddrs(list);
    return result;
}

}  // namespace platform
