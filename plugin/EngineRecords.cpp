#include "plugin/PluginProcessor.h"

namespace
{
using vorn::parameterIndex;

bool isOn(float value)
{
    return value > 0.5f;
}

int choiceIndex(float value)
{
    return juce::roundToInt(value);
}
} // namespace

VornReverbAudioProcessor::RawValues::RawValues(juce::AudioProcessorValueTreeState& state)
{
    for (std::size_t i = 0; i < values.size(); ++i)
    {
        values[i] = state.getRawParameterValue(vorn::kParameterTable[i].id);
        jassert(values[i] != nullptr);
        defaults[i] = values[i]->load();
    }
}

// Each field from the parameter of the same name; the indices are found while compiling.
vorn::Parameters VornReverbAudioProcessor::readParameters() const
{
    vorn::Parameters p;
    p.decay = raw.at<parameterIndex("decay")>();
    p.predelay = raw.at<parameterIndex("predelay")>();
    p.size = raw.at<parameterIndex("size")>();
    p.character = raw.at<parameterIndex("character")>();
    p.mix = raw.at<parameterIndex("mix")>();
    p.dryWet = raw.at<parameterIndex("dryWet")>();
    p.preset = choiceIndex(raw.at<parameterIndex("preset")>());
    return p;
}

vorn::Advanced VornReverbAudioProcessor::readAdvanced() const
{
    vorn::Advanced a;
    a.width = raw.at<parameterIndex("width")>();
    a.lfoRate = raw.at<parameterIndex("lfoRate")>();
    a.detune = raw.at<parameterIndex("detune")>();
    a.inputLink = raw.at<parameterIndex("inputLink")>();
    a.modDepth = raw.at<parameterIndex("modDepth")>();
    a.reverbTail = raw.at<parameterIndex("reverbTail")>();
    a.earlyLevel = raw.at<parameterIndex("earlyLevel")>();
    a.earlyDelay = raw.at<parameterIndex("earlyDelay")>();
    a.subDelay = raw.at<parameterIndex("subDelay")>();
    a.subLevel = raw.at<parameterIndex("subLevel")>();
    a.k1 = raw.at<parameterIndex("k1")>();
    a.k2 = raw.at<parameterIndex("k2")>();
    a.t1 = raw.at<parameterIndex("t1")>();
    a.t2 = raw.at<parameterIndex("t2")>();
    a.effectMode = choiceIndex(raw.at<parameterIndex("effectMode")>());
    a.lowCut = raw.at<parameterIndex("lowCut")>();
    a.rtLow = raw.at<parameterIndex("rtLow")>();
    a.rtHigh = raw.at<parameterIndex("rtHigh")>();
    a.outputGain = raw.at<parameterIndex("outputGain")>();
    a.lowTilt = raw.at<parameterIndex("lowTilt")>();
    a.highCut = raw.at<parameterIndex("highCut")>();
    a.modTaps = 1;
    a.vintageConv = isOn(raw.at<parameterIndex("vintageConv")>());
    a.delaySync = isOn(raw.at<parameterIndex("delaySync")>());
    a.hostBpm = static_cast<float>(hostBpm.load());
    a.delayMix = raw.at<parameterIndex("delayMix")>();
    a.pingPong = isOn(raw.at<parameterIndex("pingPong")>());
    a.routing = choiceIndex(raw.at<parameterIndex("routing")>());
    return a;
}
