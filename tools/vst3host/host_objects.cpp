#include "tools/vst3host/host_objects.h"

#include <cstring>

#include "public.sdk/source/vst/hosting/hostclasses.h"

namespace fluvia::vst3host {

using namespace Steinberg;
using namespace Steinberg::Vst;

tresult PLUGIN_API HostApplication::getName(String128 name) {
  if (!name) return kInvalidArgument;
  size_t i = 0;
  for (; i < name_.size() && i < 127; ++i) name[i] = char16(static_cast<unsigned char>(name_[i]));
  name[i] = 0;
  return kResultOk;
}

tresult PLUGIN_API HostApplication::createInstance(TUID cid, TUID interfaceId, void** obj) {
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  FUID classId = FUID::fromTUID(cid);
  FUID queried = FUID::fromTUID(interfaceId);
  if (classId == IMessage::iid && queried == IMessage::iid) {
    *obj = new HostMessage;
    return kResultOk;
  }
  if (classId == IAttributeList::iid && queried == IAttributeList::iid) {
    *obj = new HostAttributeList;
    return kResultOk;
  }
  return kResultFalse;
}

tresult PLUGIN_API ParamValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value) {
  if (index < 0 || index >= getPointCount()) return kResultFalse;
  sampleOffset = points_[size_t(index)].offset;
  value = points_[size_t(index)].value;
  return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index) {
  index = getPointCount();
  points_.push_back(Point{sampleOffset, value});
  return kResultOk;
}

ParameterChanges::ParameterChanges(int maxParameters, int pointsPerParameter) {
  queues_.reserve(size_t(maxParameters));
  for (int i = 0; i < maxParameters; ++i) {
    queues_.push_back(std::make_unique<ParamValueQueue>(pointsPerParameter));
  }
}

bool ParameterChanges::Add(ParamID id, int32 offset, ParamValue value) {
  int32 index = 0;
  IParamValueQueue* queue = addParameterData(id, index);
  if (!queue) return false;
  int32 pointIndex = 0;
  return queue->addPoint(offset, value, pointIndex) == kResultOk;
}

IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index) {
  if (index < 0 || index >= used_) return nullptr;
  return queues_[size_t(index)].get();
}

IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const ParamID& id, int32& index) {
  for (int32 i = 0; i < used_; ++i) {
    if (queues_[size_t(i)]->getParameterId() == id) {
      index = i;
      return queues_[size_t(i)].get();
    }
  }
  if (used_ >= static_cast<int32>(queues_.size())) return nullptr;
  index = used_;
  queues_[size_t(used_)]->Reset(id);
  return queues_[size_t(used_++)].get();
}

void EventList::NoteOn(int pitch, float velocity, int offset, int channel) {
  Event e{};
  e.type = Event::kNoteOnEvent;
  e.sampleOffset = offset;
  e.noteOn.channel = int16(channel);
  e.noteOn.pitch = int16(pitch);
  e.noteOn.velocity = velocity;
  e.noteOn.noteId = -1;
  events_.push_back(e);
}

void EventList::NoteOff(int pitch, int offset, int channel) {
  Event e{};
  e.type = Event::kNoteOffEvent;
  e.sampleOffset = offset;
  e.noteOff.channel = int16(channel);
  e.noteOff.pitch = int16(pitch);
  e.noteOff.velocity = 0.0f;
  e.noteOff.noteId = -1;
  events_.push_back(e);
}

tresult PLUGIN_API EventList::getEvent(int32 index, Event& e) {
  if (index < 0 || index >= getEventCount()) return kResultFalse;
  e = events_[size_t(index)];
  return kResultOk;
}

tresult PLUGIN_API EventList::addEvent(Event& e) {
  events_.push_back(e);
  return kResultOk;
}

tresult PLUGIN_API ComponentHandler::beginEdit(ParamID id) {
  edits.push_back(Edit{Edit::Begin, id, 0.0});
  return kResultOk;
}

tresult PLUGIN_API ComponentHandler::performEdit(ParamID id, ParamValue valueNormalized) {
  edits.push_back(Edit{Edit::Perform, id, valueNormalized});
  return kResultOk;
}

tresult PLUGIN_API ComponentHandler::endEdit(ParamID id) {
  edits.push_back(Edit{Edit::End, id, 0.0});
  return kResultOk;
}

tresult PLUGIN_API ComponentHandler::restartComponent(int32 flags) {
  restarts.push_back(flags);
  return kResultOk;
}

tresult PLUGIN_API PlugFrame::resizeView(IPlugView* view, ViewRect* newSize) {
  if (!view || !newSize) return kInvalidArgument;
  resizeRequests.push_back(*newSize);
  return view->onSize(newSize);
}

}  // namespace fluvia::vst3host
