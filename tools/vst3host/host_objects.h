#pragma once
// The objects a VST3 host hands to a plug-in: the host application, the parameter changes and
// events of a block, the component handler that receives the plug-in's edits, and a frame for
// editor views. All of them belong to the host side and outlive the plug-in calls that use
// them; the plug-in's addRef and release are counted but never delete.
//
// Storage is reserved up front, so filling them between blocks does not allocate in the
// steady state.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

namespace fluvia::vst3host {

// FUnknown for an object the host owns: answers FUnknown and the one interface it implements.
template <typename Interface>
class HostOwned : public Interface {
 public:
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID queried, void** obj) override {
    if (!obj) return Steinberg::kInvalidArgument;
    if (Steinberg::FUnknownPrivate::iidEqual(queried, Steinberg::FUnknown::iid) ||
        Steinberg::FUnknownPrivate::iidEqual(queried, Interface::iid)) {
      this->addRef();
      *obj = static_cast<Interface*>(this);
      return Steinberg::kResultOk;
    }
    *obj = nullptr;
    return Steinberg::kNoInterface;
  }
  Steinberg::uint32 PLUGIN_API addRef() override { return Steinberg::uint32(++refs_); }
  Steinberg::uint32 PLUGIN_API release() override { return Steinberg::uint32(--refs_); }
  // References the plug-in still holds beyond the host's own.
  int ExtraReferences() const { return refs_.load() - 1; }

 protected:
  HostOwned() = default;
  ~HostOwned() = default;

 private:
  std::atomic<int> refs_{1};
};

class HostApplication : public HostOwned<Steinberg::Vst::IHostApplication> {
 public:
  explicit HostApplication(std::string name = "Fluvia VST3 Harness") : name_(std::move(name)) {}
  void SetName(std::string name) { name_ = std::move(name); }

  Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;
  // Messages and attribute lists for plug-ins that talk to a separate controller.
  Steinberg::tresult PLUGIN_API createInstance(Steinberg::TUID cid, Steinberg::TUID interfaceId,
                                               void** obj) override;

 private:
  std::string name_;
};

class ParamValueQueue : public HostOwned<Steinberg::Vst::IParamValueQueue> {
 public:
  explicit ParamValueQueue(int capacity = 1024) { points_.reserve(size_t(capacity)); }
  void Reset(Steinberg::Vst::ParamID id) {
    id_ = id;
    points_.clear();
  }

  Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return id_; }
  Steinberg::int32 PLUGIN_API getPointCount() override {
    return static_cast<Steinberg::int32>(points_.size());
  }
  Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                         Steinberg::Vst::ParamValue& value) override;
  Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset,
                                         Steinberg::Vst::ParamValue value,
                                         Steinberg::int32& index) override;

 private:
  struct Point {
    Steinberg::int32 offset;
    Steinberg::Vst::ParamValue value;
  };
  Steinberg::Vst::ParamID id_ = 0;
  std::vector<Point> points_;
};

class ParameterChanges : public HostOwned<Steinberg::Vst::IParameterChanges> {
 public:
  explicit ParameterChanges(int maxParameters = 32, int pointsPerParameter = 1024);
  void Clear() { used_ = 0; }
  // Adds a point for a parameter, starting a queue for it when it has none yet; false when
  // every queue is taken.
  bool Add(Steinberg::Vst::ParamID id, Steinberg::int32 offset, Steinberg::Vst::ParamValue value);

  Steinberg::int32 PLUGIN_API getParameterCount() override { return used_; }
  Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
  Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                Steinberg::int32& index) override;

 private:
  std::vector<std::unique_ptr<ParamValueQueue>> queues_;
  Steinberg::int32 used_ = 0;
};

class EventList : public HostOwned<Steinberg::Vst::IEventList> {
 public:
  explicit EventList(int capacity = 1024) { events_.reserve(size_t(capacity)); }
  void Clear() { events_.clear(); }
  void NoteOn(int pitch, float velocity, int offset, int channel = 0);
  void NoteOff(int pitch, int offset, int channel = 0);
  void Add(const Steinberg::Vst::Event& event) { events_.push_back(event); }

  Steinberg::int32 PLUGIN_API getEventCount() override {
    return static_cast<Steinberg::int32>(events_.size());
  }
  Steinberg::tresult PLUGIN_API getEvent(Steinberg::int32 index, Steinberg::Vst::Event& e) override;
  Steinberg::tresult PLUGIN_API addEvent(Steinberg::Vst::Event& e) override;

 private:
  std::vector<Steinberg::Vst::Event> events_;
};

// Records what the plug-in tells its host.
class ComponentHandler : public HostOwned<Steinberg::Vst::IComponentHandler> {
 public:
  struct Edit {
    enum Kind { Begin, Perform, End } kind;
    Steinberg::Vst::ParamID id;
    Steinberg::Vst::ParamValue value;
  };
  std::vector<Edit> edits;
  std::vector<Steinberg::int32> restarts;

  Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override;
  Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                            Steinberg::Vst::ParamValue valueNormalized) override;
  Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override;
  Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override;
};

// Records the resize requests of an editor view.
class PlugFrame : public HostOwned<Steinberg::IPlugFrame> {
 public:
  std::vector<Steinberg::ViewRect> resizeRequests;
  Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view,
                                           Steinberg::ViewRect* newSize) override;
};

}  // namespace fluvia::vst3host
