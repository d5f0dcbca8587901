#include "broker/server.h"

namespace ostrada::broker {
namespace {
ComServer* g_server = nullptr;
}  // namespace

ComServer* CurrentServer() {
  return g_server;
}

void InstallServer(ComServer* server) {
  g_server = server;
}

}  // namespace ostrada::broker
