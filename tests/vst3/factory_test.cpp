// The module's factory as a host's scanner sees it.

#include <cstring>

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "tests/vst3/plugin_fixture.h"

namespace fluvia::vst3test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

const uint8_t kExpectedClassId[16] = {0x0D, 0xE7, 0xAE, 0xF2, 0xDE, 0x00, 0x4E, 0x4F,
                                      'V',  'e',  'l',  'm',  'V',  'f',  'l',  '1'};

std::string Narrow(const char16* text) {
  std::string s;
  for (int i = 0; text[i]; ++i) s.push_back(char(text[i]));
  return s;
}

TEST(Vst3Factory, DescribesTheVendorAndTheOneInstrumentClass) {
  auto module = LoadModuleOrFail();
  ASSERT_TRUE(module);
  IPluginFactory* factory = module->Factory();

  PFactoryInfo info;
  ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
  EXPECT_STREQ(info.vendor, "VelmoraAudio");
  EXPECT_STREQ(info.url, "https://velmora.audio");
  EXPECT_STREQ(info.email, "support@velmora.audio");
  EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);

  ASSERT_EQ(factory->countClasses(), 1);
  PClassInfo classInfo;
  ASSERT_EQ(factory->getClassInfo(0, &classInfo), kResultOk);
  EXPECT_EQ(std::memcmp(classInfo.cid, kExpectedClassId, 16), 0);
  EXPECT_EQ(classInfo.cardinality, 0x7FFFFFFF);
  EXPECT_STREQ(classInfo.category, "Audio Module Class");
  EXPECT_STREQ(classInfo.name, "Fluvia");

  ASSERT_TRUE(module->Factory2());
  PClassInfo2 info2;
  ASSERT_EQ(module->Factory2()->getClassInfo2(0, &info2), kResultOk);
  EXPECT_EQ(std::memcmp(info2.cid, kExpectedClassId, 16), 0);
  EXPECT_EQ(info2.classFlags, 2u);
  EXPECT_STREQ(info2.subCategories, "Instrument|Synth");
  EXPECT_STREQ(info2.vendor, "VelmoraAudio");
  EXPECT_STREQ(info2.version, "1.0.2");
  EXPECT_STREQ(info2.sdkVersion, "VST 3.6.0");

  ASSERT_TRUE(module->Factory3());
  PClassInfoW infoW;
  ASSERT_EQ(module->Factory3()->getClassInfoUnicode(0, &infoW), kResultOk);
  EXPECT_EQ(Narrow(infoW.name), "Fluvia");
  EXPECT_EQ(Narrow(infoW.vendor), "VelmoraAudio");
  EXPECT_EQ(Narrow(infoW.version), "1.0.2");
  EXPECT_STREQ(infoW.subCategories, "Instrument|Synth");

  // Indices beyond the one class and null records are refused.
  EXPECT_NE(factory->getClassInfo(1, &classInfo), kResultOk);
  EXPECT_NE(factory->getClassInfo(-1, &classInfo), kResultOk);
  EXPECT_NE(module->Factory2()->getClassInfo2(1, &info2), kResultOk);
  EXPECT_NE(factory->getClassInfo(0, nullptr), kResultOk);
  EXPECT_NE(factory->getFactoryInfo(nullptr), kResultOk);
}

TEST(Vst3Factory, CreatesTheClassByIdAndInterfaceOnly) {
  auto module = LoadModuleOrFail();
  ASSERT_TRUE(module);
  IPluginFactory* factory = module->Factory();
  const auto* cid = reinterpret_cast<FIDString>(kExpectedClassId);

  // Every interface of the single-component object is reachable from the same instance.
  void* obj = nullptr;
  ASSERT_EQ(factory->createInstance(cid, reinterpret_cast<FIDString>(IAudioProcessor::iid.toTUID()),
                                    &obj),
            kResultOk);
  ASSERT_TRUE(obj);
  auto* processor = static_cast<IAudioProcessor*>(obj);
  for (const FUID* iid : {&FUnknown::iid, &IComponent::iid, &IEditController::iid,
                          &IEditController2::iid, &IConnectionPoint::iid, &IPluginBase::iid,
                          &IUnitInfo::iid}) {
    void* other = nullptr;
    EXPECT_EQ(processor->queryInterface(iid->toTUID(), &other), kResultOk);
    if (other) static_cast<FUnknown*>(other)->release();
  }
  processor->release();

  const uint8_t otherClass[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  obj = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(factory->createInstance(reinterpret_cast<FIDString>(otherClass),
                                    reinterpret_cast<FIDString>(IComponent::iid.toTUID()), &obj),
            kNoInterface);
  EXPECT_EQ(obj, nullptr);
  obj = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(factory->createInstance(cid, reinterpret_cast<FIDString>(IPluginFactory::iid.toTUID()),
                                    &obj),
            kNoInterface);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(factory->createInstance(cid, nullptr, &obj), kInvalidArgument);
  EXPECT_EQ(factory->createInstance(cid, reinterpret_cast<FIDString>(IComponent::iid.toTUID()),
                                    nullptr),
            kInvalidArgument);
}

TEST(Vst3Factory, GetPluginFactoryHandsOutOneCountedFactory) {
  auto module = LoadModuleOrFail();
  ASSERT_TRUE(module);
  auto getFactory = reinterpret_cast<GetFactoryProc>(module->Symbol("GetPluginFactory"));
  ASSERT_TRUE(getFactory);
  IPluginFactory* again = getFactory();
  EXPECT_EQ(again, module->Factory());
  // The loader holds one reference, this call added one: releasing ours leaves the factory.
  EXPECT_EQ(again->release(), 1u);
  EXPECT_EQ(module->Factory()->countClasses(), 1);
}

}  // namespace
}  // namespace fluvia::vst3test
