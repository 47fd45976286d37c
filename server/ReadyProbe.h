#pragma once
// `kortix-server wait-ready`: asks a running service's /readyz until it says
// ready, so that the service manager counts the service as started only once
// it can serve (and units ordered after it wait that long).

#include <string>

namespace kortix {

// True once GET /readyz on host:port answers 200 within the seconds given;
// otherwise false, with the last reason in why.
bool waitReady(std::string host, int port, int seconds, std::string& why);

}  // namespace kortix
