#pragma once
// CPluginFactory: the module's class factory. It describes the vendor and the registered
// classes to the host and creates instances by class identifier.

#include <vector>

#include "pluginterfaces/base/ipluginbase.h"

namespace fluvia {

class CPluginFactory : public Steinberg::IPluginFactory3 {
 public:
  // Creates one instance with a reference count of 1, or returns null.
  using CreateFunction = Steinberg::FUnknown* (*)(void* context);

  explicit CPluginFactory(const Steinberg::PFactoryInfo& info);
  virtual ~CPluginFactory();
  CPluginFactory(const CPluginFactory&) = delete;
  CPluginFactory& operator=(const CPluginFactory&) = delete;

  bool registerClass(const Steinberg::PClassInfo2& info, CreateFunction create,
                     void* context = nullptr);
  // The slot is cleared when the factory is destroyed, so that a module-wide pointer never
  // outlives the object it points at.
  void setOwnerSlot(CPluginFactory** slot) { ownerSlot_ = slot; }

  // ---- FUnknown ------------------------------------------------------------------------------
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID queried, void** obj) SMTG_OVERRIDE;
  Steinberg::uint32 PLUGIN_API addRef() SMTG_OVERRIDE;
  Steinberg::uint32 PLUGIN_API release() SMTG_OVERRIDE;

  // ---- IPluginFactory, 2 and 3 ---------------------------------------------------------------
  Steinberg::tresult PLUGIN_API getFactoryInfo(Steinberg::PFactoryInfo* info) SMTG_OVERRIDE;
  Steinberg::int32 PLUGIN_API countClasses() SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getClassInfo(Steinberg::int32 index,
                                             Steinberg::PClassInfo* info) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API createInstance(Steinberg::FIDString cid, Steinberg::FIDString interfaceId,
                                               void** obj) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getClassInfo2(Steinberg::int32 index,
                                              Steinberg::PClassInfo2* info) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getClassInfoUnicode(Steinberg::int32 index,
                                                    Steinberg::PClassInfoW* info) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API setHostContext(Steinberg::FUnknown* context) SMTG_OVERRIDE;

 private:
  struct ClassEntry {
    Steinberg::PClassInfo2 info;
    CreateFunction create;
    void* context;
  };
  const ClassEntry* entry(Steinberg::int32 index) const;

  Steinberg::int32 refCount_ = 1;
  Steinberg::PFactoryInfo factoryInfo_;
  std::vector<ClassEntry> classes_;
  CPluginFactory** ownerSlot_ = nullptr;
};

}  // namespace fluvia
