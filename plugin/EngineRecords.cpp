#include "plugin/PluginProcessor.h"

namespace
{
std::atomic<float>* rawValue(juce::AudioProcessorValueTreeState& state, const char* id)
{
    auto* value = state.getRawParameterValue(id);
    jassert(value != nullptr);
    return value;
}

bool isOn(const std::atomic<float>* value)
{
    return value->load() > 0.5f;
}

int choiceIndex(const std::atomic<float>* value)
{
    return juce::roundToInt(value->load());
}
} // namespace

VornReverbAudioProcessor::RawValues::RawValues(juce::AudioProcessorValueTreeState& state)
    : decay(rawValue(state, "decay"))
    , predelay(rawValue(state, "predelay"))
    , size(rawValue(state, "size"))
    , character(rawValue(state, "character"))
    , mix(rawValue(state, "mix"))
    , dryWet(rawValue(state, "dryWet"))
    , preset(rawValue(state, "preset"))
    , width(rawValue(state, "width"))
    , lfoRate(rawValue(state, "lfoRate"))
    , detune(rawValue(state, "detune"))
    , inputLink(rawValue(state, "inputLink"))
    , modDepth(rawValue(state, "modDepth"))
    , reverbTail(rawValue(state, "reverbTail"))
    , earlyLevel(rawValue(state, "earlyLevel"))
    , earlyDelay(rawValue(state, "earlyDelay"))
    , subDelay(rawValue(state, "subDelay"))
    , subLevel(rawValue(state, "subLevel"))
    , k1(rawValue(state, "k1"))
    , k2(rawValue(state, "k2"))
    , t1(rawValue(state, "t1"))
    , t2(rawValue(state, "t2"))
    , effectMode(rawValue(state, "effectMode"))
    , lowCut(rawValue(state, "lowCut"))
    , rtLow(rawValue(state, "rtLow"))
    , rtHigh(rawValue(state, "rtHigh"))
    , outputGain(rawValue(state, "outputGain"))
    , lowTilt(rawValue(state, "lowTilt"))
    , highCut(rawValue(state, "highCut"))
    , vintageConv(rawValue(state, "vintageConv"))
    , delaySync(rawValue(state, "delaySync"))
    , delayMix(rawValue(state, "delayMix"))
    , pingPong(rawValue(state, "pingPong"))
    , routing(rawValue(state, "routing"))
{
}

vorn::Parameters VornReverbAudioProcessor::readParameters() const
{
    vorn::Parameters p;
    p.decay = raw.decay->load();
    p.predelay = raw.predelay->load();
    p.size = raw.size->load();
    p.character = raw.character->load();
    p.mix = raw.mix->load();
    p.dryWet = raw.dryWet->load();
    p.preset = choiceIndex(raw.preset);
    return p;
}

vorn::Advanced VornReverbAudioProcessor::readAdvanced() const
{
    vorn::Advanced a;
    a.width = raw.width->load();
    a.lfoRate = raw.lfoRate->load();
    a.detune = raw.detune->load();
    a.inputLink = raw.inputLink->load();
    a.modDepth = raw.modDepth->load();
    a.reverbTail = raw.reverbTail->load();
    a.earlyLevel = raw.earlyLevel->load();
    a.earlyDelay = raw.earlyDelay->load();
    a.subDelay = raw.subDelay->load();
    a.subLevel = raw.subLevel->load();
    a.k1 = raw.k1->load();
    a.k2 = raw.k2->load();
    a.t1 = raw.t1->load();
    a.t2 = raw.t2->load();
    a.effectMode = choiceIndex(raw.effectMode);
    a.lowCut = raw.lowCut->load();
    a.rtLow = raw.rtLow->load();
    a.rtHigh = raw.rtHigh->load();
    a.outputGain = raw.outputGain->load();
    a.lowTilt = raw.lowTilt->load();
    a.highCut = raw.highCut->load();
    a.modTaps = 1;
    a.vintageConv = isOn(raw.vintageConv);
    a.delaySync = isOn(raw.delaySync);
    a.hostBpm = static_cast<float>(hostBpm.load());
    a.delayMix = raw.delayMix->load();
    a.pingPong = isOn(raw.pingPong);
    a.routing = choiceIndex(raw.routing);
    return a;
}
