#pragma once
// Creation by CLSID and the server the process chose at start-up.
#include <memory>

#include "broker/comerror.h"
#include "broker/guid.h"
#include "broker/interfaces.h"

namespace ostrada::broker {

class ComServer {
 public:
  virtual ~ComServer() = default;
  // Creates, runs and returns the object; an unknown CLSID throws ComError(kClassNotRegistered).
  virtual std::shared_ptr<IObject> CreateInstance(const Guid& clsid) = 0;
};

// The process's server; null until one is installed (creation then throws kServerUnavailable).
ComServer* CurrentServer();
void InstallServer(ComServer* server);

// Installs a server for its own lifetime (tests), restoring the previous one after.
class ScopedServer {
 public:
  explicit ScopedServer(ComServer& server) : previous_(CurrentServer()) { InstallServer(&server); }
  ~ScopedServer() { InstallServer(previous_); }
  ScopedServer(const ScopedServer&) = delete;
  ScopedServer& operator=(const ScopedServer&) = delete;

 private:
  ComServer* previous_;
};

// Creates an object of the class on the current server and queries the interface I; a missing
// interface throws ComError(kENoInterface).
template <class I>
std::shared_ptr<I> CreateAs(const Guid& clsid) {
  ComServer* server = CurrentServer();
  if (server == nullptr) throw ComError(kServerUnavailable);
  std::shared_ptr<IObject> object = server->CreateInstance(clsid);
  auto typed = std::dynamic_pointer_cast<I>(object);
  if (!typed) throw ComError(kENoInterface);
  return typed;
}

}  // namespace ostrada::broker
