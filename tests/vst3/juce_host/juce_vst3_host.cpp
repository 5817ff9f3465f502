// A console host built on JUCE's VST3 hosting: scans Fluvia.vst3, instantiates it, plays a
// note in both sample sizes and round-trips its state. Exits with 0 when everything a host
// relies on works, 1 otherwise, printing what it checked.
//
// Usage: juce_vst3_host <path to Fluvia.vst3>

#include <juce_audio_processors/juce_audio_processors.h>

#include <cmath>
#include <cstdio>

namespace {

int failures = 0;

void Check(bool ok, const juce::String& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.toRawUTF8());
  if (!ok) ++failures;
}

juce::AudioProcessorParameter* FindParameter(juce::AudioPluginInstance& plugin,
                                             const juce::String& name) {
  for (auto* parameter : plugin.getParameters()) {
    if (parameter->getName(128) == name) return parameter;
  }
  return nullptr;
}

template <typename Sample>
double PlayNote(juce::AudioPluginInstance& plugin, int blocks) {
  const int channels = std::max(plugin.getTotalNumInputChannels(), plugin.getTotalNumOutputChannels());
  juce::AudioBuffer<Sample> buffer(channels, 512);
  juce::MidiBuffer midi;
  midi.addEvent(juce::MidiMessage::noteOn(1, 60, juce::uint8(100)), 0);
  double sumSquares = 0.0;
  long samples = 0;
  for (int block = 0; block < blocks; ++block) {
    buffer.clear();
    plugin.processBlock(buffer, midi);
    midi.clear();
    for (int c = 0; c < plugin.getTotalNumOutputChannels(); ++c) {
      for (int i = 0; i < buffer.getNumSamples(); ++i) {
        const double s = double(buffer.getSample(c, i));
        if (!std::isfinite(s)) return -1.0;
        sumSquares += s * s;
        ++samples;
      }
    }
  }
  midi.addEvent(juce::MidiMessage::noteOff(1, 60), 0);
  buffer.clear();
  plugin.processBlock(buffer, midi);
  return samples ? std::sqrt(sumSquares / double(samples)) : 0.0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <path to a .vst3 bundle>\n", argv[0]);
    return 2;
  }
  juce::ScopedJuceInitialiser_GUI juce;

  juce::VST3PluginFormat format;
  juce::OwnedArray<juce::PluginDescription> types;
  format.findAllTypesForFile(types, juce::String::fromUTF8(argv[1]));
  Check(types.size() == 1, "the scan finds one plug-in (" + juce::String(types.size()) + ")");
  if (types.isEmpty()) return 1;

  const juce::PluginDescription& description = *types[0];
  Check(description.name == "Fluvia", "name " + description.name);
  Check(description.manufacturerName == "VelmoraAudio", "vendor " + description.manufacturerName);
  Check(description.isInstrument, "it is an instrument");
  Check(description.category.contains("Instrument"), "category " + description.category);
  Check(description.version == "1.0.2", "version " + description.version);
  Check(description.numOutputChannels == 2, "outputs " + juce::String(description.numOutputChannels));

  juce::String error;
  auto plugin = format.createInstanceFromDescription(description, 48000.0, 512, error);
  Check(plugin != nullptr, "instantiated " + error);
  if (!plugin) return 1;
  plugin->enableAllBuses();
  Check(plugin->acceptsMidi(), "accepts MIDI");
  Check(plugin->getParameters().size() >= 26,
        "parameters: " + juce::String(plugin->getParameters().size()));
  Check(plugin->getNumPrograms() == 1 && plugin->getProgramName(0) == "Init",
        "programs: " + juce::String(plugin->getNumPrograms()) + ", the first " +
            plugin->getProgramName(0));

  plugin->setProcessingPrecision(juce::AudioProcessor::singlePrecision);
  plugin->prepareToPlay(48000.0, 512);
  const double rms32 = PlayNote<float>(*plugin, 100);
  Check(rms32 > 1e-4, "a note sounds in 32-bit (rms " + juce::String(rms32) + ")");
  plugin->releaseResources();

  if (plugin->supportsDoublePrecisionProcessing()) {
    plugin->setProcessingPrecision(juce::AudioProcessor::doublePrecision);
    plugin->prepareToPlay(44100.0, 512);
    const double rms64 = PlayNote<double>(*plugin, 100);
    Check(rms64 > 1e-4, "a note sounds in 64-bit (rms " + juce::String(rms64) + ")");
    plugin->releaseResources();
  } else {
    Check(false, "double precision is supported");
  }

  auto* volume = FindParameter(*plugin, "AmpMainVolume");
  Check(volume != nullptr, "AmpMainVolume is a parameter");
  if (volume) {
    Check(std::fabs(volume->getValue() - 0.75f) < 1e-5f, "AmpMainVolume starts at 0.75");
    volume->setValueNotifyingHost(0.3f);
    juce::MemoryBlock state;
    plugin->getStateInformation(state);
    Check(state.getSize() > 0, "state saved (" + juce::String(int(state.getSize())) + " bytes)");
    volume->setValueNotifyingHost(0.9f);
    plugin->setStateInformation(state.getData(), int(state.getSize()));
    Check(std::fabs(volume->getValue() - 0.3f) < 1e-5f,
          "state restored AmpMainVolume to " + juce::String(volume->getValue()));
    const juce::String text = volume->getText(0.75f, 64);
    Check(text == "0.75000", "value text " + text);
  }

  std::printf("editor: %s\n", plugin->hasEditor() ? "yes" : "no");
  plugin.reset();
  std::printf("%s\n", failures ? "FAILED" : "PASSED");
  return failures ? 1 : 0;
}
