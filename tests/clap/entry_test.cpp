// The module's way in: clap_entry, the factory, the descriptor, the ports and the extensions
// an instance offers.

#include <cstring>
#include <set>
#include <string>

#include "tests/clap/clap_fixture.h"

namespace fluvia::claptest {
namespace {

std::set<std::string> Features(const clap::PluginDescriptor& descriptor) {
  std::set<std::string> features;
  for (const char* const* f = descriptor.features; f && *f; ++f) features.insert(*f);
  return features;
}

TEST(ClapEntry, DescribesOneInstrumentWithAStableIdentity) {
  auto module = LoadModuleOrFail();
  ASSERT_TRUE(module);
  const clap::PluginEntry& entry = *module->Entry();
  EXPECT_EQ(entry.clapVersion.major, 1u);
  const clap::PluginFactory& factory = *module->Factory();
  ASSERT_EQ(factory.getPluginCount(&factory), 1u);
  EXPECT_EQ(factory.getPluginDescriptor(&factory, 1), nullptr);
  EXPECT_EQ(factory.getPluginDescriptor(&factory, UINT32_MAX), nullptr);
  const clap::PluginDescriptor* d = factory.getPluginDescriptor(&factory, 0);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(clap::VersionIsCompatible(d->clapVersion));
  EXPECT_STREQ(d->id, "audio.velmora.fluvia");
  EXPECT_STREQ(d->name, "Fluvia");
  EXPECT_STREQ(d->vendor, "VelmoraAudio");
  EXPECT_STREQ(d->version, "1.0.2");
  EXPECT_STREQ(d->url, "https://velmora.audio");
  EXPECT_EQ(Features(*d), (std::set<std::string>{"instrument", "synthesizer", "stereo"}));
  // Unknown factories are not offered.
  EXPECT_EQ(entry.getFactory("clap.preset-discovery-factory/2"), nullptr);
  EXPECT_EQ(entry.getFactory(nullptr), nullptr);
}

// Hosts may nest init and deinit; the module serves its factory while any init is open, and
// refuses a missing path without counting it.
TEST(ClapEntry, CountsNestedInitsAndRefusesNoPath) {
  auto module = LoadModuleOrFail();
  ASSERT_TRUE(module);
  const clap::PluginEntry& entry = *module->Entry();
  EXPECT_FALSE(entry.init(nullptr));
  EXPECT_TRUE(entry.init("/nowhere/Fluvia.clap"));  // the path is not needed
  entry.deinit();
  ASSERT_NE(entry.getFactory(clap::kPluginFactoryId), nullptr);  // the loader's init holds
  const auto* factory =
      static_cast<const clap::PluginFactory*>(entry.getFactory(clap::kPluginFactoryId));
  EXPECT_EQ(factory->getPluginCount(factory), 1u);

  entry.deinit();  // the loader's own
  EXPECT_EQ(entry.getFactory(clap::kPluginFactoryId), nullptr);
  EXPECT_EQ(factory->getPluginCount(factory), 0u);
  claphost::ClapHost host;
  EXPECT_EQ(factory->createPlugin(factory, host.Record(), "audio.velmora.fluvia"), nullptr);
  entry.deinit();  // one too many: harmless
  ASSERT_TRUE(entry.init("/nowhere/Fluvia.clap"));  // the loader's deinit closes this one
  EXPECT_EQ(factory->getPluginCount(factory), 1u);
}

TEST(ClapEntry, CreatesOnlyItsOwnPluginForACompatibleHost) {
  auto module = LoadModuleOrFail();
  ASSERT_TRUE(module);
  const clap::PluginFactory& factory = *module->Factory();
  claphost::ClapHost host;
  EXPECT_EQ(factory.createPlugin(&factory, nullptr, "audio.velmora.fluvia"), nullptr);
  EXPECT_EQ(factory.createPlugin(&factory, host.Record(), nullptr), nullptr);
  EXPECT_EQ(factory.createPlugin(&factory, host.Record(), "audio.velmora.other"), nullptr);
  clap::Host old = *host.Record();
  old.clapVersion = {0, 16, 0};
  EXPECT_EQ(factory.createPlugin(&factory, &old, "audio.velmora.fluvia"), nullptr);

  const clap::Plugin* plugin = factory.createPlugin(&factory, host.Record(), "audio.velmora.fluvia");
  ASSERT_NE(plugin, nullptr);
  EXPECT_STREQ(plugin->desc->id, "audio.velmora.fluvia");
  ASSERT_TRUE(plugin->init(plugin));
  EXPECT_FALSE(plugin->init(plugin));  // twice: refused, the instance stays as it was
  plugin->destroy(plugin);
}

using ClapPorts = ClapTest;

TEST_F(ClapPorts, OneStereoMainOutputAndOneNoteInput) {
  const auto* audio = plugin().Ext<clap::PluginAudioPorts>(clap::kExtAudioPorts);
  ASSERT_NE(audio, nullptr);
  EXPECT_EQ(audio->count(record(), true), 0u);
  ASSERT_EQ(audio->count(record(), false), 1u);
  clap::AudioPortInfo port{};
  ASSERT_TRUE(audio->get(record(), 0, false, &port));
  EXPECT_EQ(port.channelCount, 2u);
  EXPECT_TRUE(port.flags & clap::kAudioPortIsMain);
  EXPECT_STREQ(port.portType, "stereo");
  EXPECT_EQ(port.inPlacePair, clap::kInvalidId);
  EXPECT_FALSE(audio->get(record(), 1, false, &port));
  EXPECT_FALSE(audio->get(record(), 0, true, &port));
  EXPECT_FALSE(audio->get(record(), 0, false, nullptr));

  const auto* notes = plugin().Ext<clap::PluginNotePorts>(clap::kExtNotePorts);
  ASSERT_NE(notes, nullptr);
  EXPECT_EQ(notes->count(record(), false), 0u);
  ASSERT_EQ(notes->count(record(), true), 1u);
  clap::NotePortInfo note{};
  ASSERT_TRUE(notes->get(record(), 0, true, &note));
  EXPECT_EQ(note.supportedDialects, clap::kNoteDialectClap | clap::kNoteDialectMidi);
  EXPECT_EQ(note.preferredDialect, clap::kNoteDialectClap);
  EXPECT_FALSE(notes->get(record(), 1, true, &note));
}

TEST_F(ClapPorts, OffersItsExtensionsAndNoOthers) {
  for (const char* id : {clap::kExtAudioPorts, clap::kExtNotePorts, clap::kExtParams,
                         clap::kExtState, clap::kExtGui, clap::kExtRender,
                         clap::kExtTimerSupport, clap::kExtPosixFdSupport}) {
    EXPECT_NE(record()->getExtension(record(), id), nullptr) << id;
  }
  for (const char* id : {"clap.latency", "clap.audio-ports-config", "", "clap.gui.extra"}) {
    EXPECT_EQ(record()->getExtension(record(), id), nullptr) << id;
  }
  EXPECT_EQ(record()->getExtension(record(), nullptr), nullptr);
}

}  // namespace
}  // namespace fluvia::claptest
