#pragma once
// Where the online service lives. Each address comes from its environment
// variable when that is set and not empty, else from the build's default
// (CMake cache variables of the same names); with neither, that part of the
// service is not configured and every call to it ends at once unanswered.
//   KVO_SERVICE_URL     the main web host, e.g. "http://host[:port]"
//   KVO_MEMBER_URL      the account web host
//   KVO_SIGNIN_WEB_URL  the host of the sign-in page
//   KVO_SIGNIN_ADDR     the sign-in server, "host:port" (port 8001 if left out)
// The updater is only ever fetched when KVO_SERVICE_URL is an https address.

#include <string>

enum class ServiceHost { Service, Member, SignInWeb };

// The host's base address without a trailing '/'; empty when not configured.
std::string ServiceHostAddress(ServiceHost host);

// The host's base address followed by the path; empty when the host is not
// configured.
std::string ServiceAddress(ServiceHost host, const char* path);

// The sign-in server's host and port. False when none is configured or the
// setting is not "host" or "host:port" with a port of 1 to 65535.
bool SignInServerAddress(std::string& host, int& port);

constexpr int kDefaultSignInPort = 8001;

// What the program says when the user asks for something of a service that
// is not configured.
inline constexpr char kNoServiceText[] = "No online service is configured.";
