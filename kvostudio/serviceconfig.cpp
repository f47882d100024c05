#include "kvostudio/serviceconfig.h"

#include <cstdlib>

#ifndef KVO_DEFAULT_SERVICE_URL
#define KVO_DEFAULT_SERVICE_URL ""
#endif
#ifndef KVO_DEFAULT_MEMBER_URL
#define KVO_DEFAULT_MEMBER_URL ""
#endif
#ifndef KVO_DEFAULT_SIGNIN_WEB_URL
#define KVO_DEFAULT_SIGNIN_WEB_URL ""
#endif
#ifndef KVO_DEFAULT_SIGNIN_ADDR
#define KVO_DEFAULT_SIGNIN_ADDR ""
#endif

namespace {

std::string Setting(const char* variable, const char* buildDefault)
{
    const char* value = std::getenv(variable);
    return value && *value ? value : buildDefault;
}

}  // namespace

std::string ServiceHostAddress(ServiceHost host)
{
    std::string address;
    switch (host) {
    case ServiceHost::Service:
        address = Setting("KVO_SERVICE_URL", KVO_DEFAULT_SERVICE_URL);
        break;
    case ServiceHost::Member:
        address = Setting("KVO_MEMBER_URL", KVO_DEFAULT_MEMBER_URL);
        break;
    case ServiceHost::SignInWeb:
        address = Setting("KVO_SIGNIN_WEB_URL", KVO_DEFAULT_SIGNIN_WEB_URL);
        break;
    }
    while (!address.empty() && address.back() == '/')
        address.pop_back();
    return address;
}

std::string ServiceAddress(ServiceHost host, const char* path)
{
    const std::string base = ServiceHostAddress(host);
    if (base.empty())
        return {};
    return base + (path ? path : "");
}

bool SignInServerAddress(std::string& host, int& port)
{
    const std::string setting = Setting("KVO_SIGNIN_ADDR", KVO_DEFAULT_SIGNIN_ADDR);
    const size_t colon = setting.rfind(':');
    std::string name = setting;
    int number = kDefaultSignInPort;
    if (colon != std::string::npos) {
        name = setting.substr(0, colon);
        const std::string digits = setting.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        number = std::atoi(digits.c_str());
        if (number < 1 || number > 65535)
            return false;
    }
    if (name.empty())
        return false;
    host = name;
    port = number;
    return true;
}
