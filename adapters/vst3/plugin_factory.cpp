#include "adapters/vst3/plugin_factory.h"

#include <cstring>
#include <new>

#include "adapters/vst3/atomic_refcount.h"

namespace fluvia {

using namespace Steinberg;

CPluginFactory::CPluginFactory(const PFactoryInfo& info) : factoryInfo_(info) {}

CPluginFactory::~CPluginFactory() {
  if (ownerSlot_ && *ownerSlot_ == this) *ownerSlot_ = nullptr;
}

bool CPluginFactory::registerClass(const PClassInfo2& info, CreateFunction create, void* context) {
  if (!create) return false;
  classes_.push_back(ClassEntry{info, create, context});
  return true;
}

const CPluginFactory::ClassEntry* CPluginFactory::entry(int32 index) const {
  if (index < 0 || index >= static_cast<int32>(classes_.size())) return nullptr;
  return &classes_[size_t(index)];
}

tresult PLUGIN_API CPluginFactory::queryInterface(const TUID queried, void** obj) {
  if (!obj) return kInvalidArgument;
  QUERY_INTERFACE(queried, obj, FUnknown::iid, IPluginFactory)
  QUERY_INTERFACE(queried, obj, IPluginFactory::iid, IPluginFactory)
  QUERY_INTERFACE(queried, obj, IPluginFactory2::iid, IPluginFactory2)
  QUERY_INTERFACE(queried, obj, IPluginFactory3::iid, IPluginFactory3)
  *obj = nullptr;
  return kNoInterface;
}

uint32 PLUGIN_API CPluginFactory::addRef() { return AtomicAddRef(refCount_); }

uint32 PLUGIN_API CPluginFactory::release() {
  const int32 left = AtomicRelease(refCount_);
  if (left == 0) {
    delete this;
    return 0;
  }
  return static_cast<uint32>(left);
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info) {
  if (!info) return kInvalidArgument;
  std::memcpy(info, &factoryInfo_, sizeof(PFactoryInfo));
  return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses() { return static_cast<int32>(classes_.size()); }

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info) {
  const ClassEntry* e = entry(index);
  if (!info) return kInvalidArgument;
  if (!e) return kInvalidArgument;
  *info = PClassInfo(e->info.cid, e->info.cardinality, e->info.category, e->info.name);
  return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
  const ClassEntry* e = entry(index);
  if (!info) return kInvalidArgument;
  if (!e) return kInvalidArgument;
  std::memcpy(info, &e->info, sizeof(PClassInfo2));
  return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
  const ClassEntry* e = entry(index);
  if (!info) return kInvalidArgument;
  if (!e) return kInvalidArgument;
  *info = PClassInfoW();
  info->fromAscii(e->info);
  return kResultOk;
}

tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString interfaceId,
                                                  void** obj) {
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  if (!cid || !interfaceId) return kInvalidArgument;
  for (const ClassEntry& e : classes_) {
    if (std::memcmp(e.info.cid, cid, sizeof(TUID)) != 0) continue;
    FUnknown* instance = nullptr;
    // No exception may reach the host: a failed construction is an out-of-memory answer.
    try {
      instance = e.create(e.context);
    } catch (...) {
      instance = nullptr;
    }
    if (!instance) return kOutOfMemory;
    const tresult result = instance->queryInterface(interfaceId, obj);
    instance->release();
    if (result != kResultOk) *obj = nullptr;
    return result;
  }
  return kNoInterface;
}

tresult PLUGIN_API CPluginFactory::setHostContext(FUnknown* /*context*/) { return kNotImplemented; }

}  // namespace fluvia
