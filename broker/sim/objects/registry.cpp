#include "broker/sim/objects/registry.h"

#include "broker/comerror.h"

namespace ostrada::sim {

void ObjectRegistry::Register(const broker::Guid& clsid, Factory factory) {
  factories_[clsid] = std::move(factory);
}

bool ObjectRegistry::Contains(const broker::Guid& clsid) const {
  return factories_.count(clsid) != 0;
}

std::shared_ptr<broker::IObject> ObjectRegistry::Create(const broker::Guid& clsid) const {
  auto found = factories_.find(clsid);
  if (found == factories_.end()) throw broker::ComError(broker::kClassNotRegistered);
  return found->second();
}

}  // namespace ostrada::sim
