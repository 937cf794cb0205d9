#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace vorn
{

/** A named value of a parameter, as the plug-in's description offers it to a host (lv2:scalePoint). */
struct Lv2NamedValue
{
    std::string label;
    float value = 0.0f;
};

/** A parameter the plug-in's description lists as patch:writable, with its range in the parameter's units. */
struct Lv2ParameterDescription
{
    std::string id; // the part of its URI after "<plug-in URI>:"
    std::string label;
    float minimum = 0.0f, maximum = 0.0f, defaultValue = 0.0f;
    std::vector<Lv2NamedValue> namedValues;
};

/** A small LV2 host on lilv: loads one plug-in, feeds it audio, control values and patch messages. */
class Lv2Host
{
public:
    /** Loads the plug-in with this URI, from bundlePath if given, else from the LV2 search path. */
    Lv2Host(const std::string& uri, const std::string& bundlePath, double sampleRate, int maxBlockSize);
    ~Lv2Host();

    Lv2Host(const Lv2Host&) = delete;
    Lv2Host& operator=(const Lv2Host&) = delete;

    bool isLoaded() const { return instance != nullptr; }
    const std::string& error() const { return errorText; }

    int numAudioInputs() const { return int(audioInputs.size()); }
    int numAudioOutputs() const { return int(audioOutputs.size()); }

    /** Sets a control input port by symbol; false when the plug-in has no such port. */
    bool setControlPort(const std::string& symbol, float value);

    /** Queues a patch:Set of <pluginUri>:id to the value (real units) for the next run. */
    void queueParameter(const std::string& id, float value);

    /** Queues a time:Position carrying the tempo for the next run. */
    void queueTempo(double beatsPerMinute);

    /** Runs one block; inputs and outputs are planar, one pointer per port (the last input repeats). */
    void run(const std::vector<const float*>& inputs, const std::vector<float*>& outputs, int numFrames);

    /** The parameters the plug-in's description declares writable, with their ranges and named values (a value
        the description leaves out is NaN). The description gives them no order. */
    std::vector<Lv2ParameterDescription> describeParameters() const;

    /** The plug-in's state as it stores it for a host's session (state:interface), as each property's bytes by
        the property's URI; a string loses its terminating zero. Empty if the plug-in keeps no state. */
    std::map<std::string, std::string> saveState();

private:
    struct AudioPort
    {
        uint32_t index;
        std::vector<float> buffer;
    };

    LV2_URID map(const char* uri);
    static LV2_URID mapCallback(LV2_URID_Map_Handle handle, const char* uri);
    static const char* unmapCallback(LV2_URID_Unmap_Handle handle, LV2_URID urid);
    static LV2_Worker_Status scheduleWork(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data);
    static LV2_Worker_Status respond(LV2_Worker_Respond_Handle handle, uint32_t size, const void* data);
    static LV2_State_Status storeProperty(LV2_State_Handle handle, uint32_t key, const void* value, size_t size,
                                          uint32_t type, uint32_t flags);
    void runScheduledWork();

    std::string uri, errorText;
    int maxBlock;
    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;

    std::unordered_map<std::string, LV2_URID> uridByName;
    std::vector<std::string> nameByUrid{""};
    LV2_URID_Map mapFeature{this, &Lv2Host::mapCallback};
    LV2_URID_Unmap unmapFeature{this, &Lv2Host::unmapCallback};

    // The worker runs synchronously after each run() call, as a simple offline host may do.
    LV2_Worker_Schedule scheduleFeature{this, &Lv2Host::scheduleWork};
    const LV2_Worker_Interface* worker = nullptr;
    std::vector<std::vector<unsigned char>> scheduled, responses;

    std::vector<AudioPort> audioInputs, audioOutputs;
    std::unordered_map<std::string, uint32_t> controlInputBySymbol;
    std::vector<float> controlValues;
    std::map<std::string, std::string> storedState; // filled by storeProperty during saveState()
    std::vector<uint64_t> eventIn, eventOut;        // 8-byte aligned atom sequence buffers
    std::vector<unsigned char> pendingEvents;
    LV2_URID sequenceType = 0, chunkType = 0; // looked up once: run() maps nothing
    int32_t maxBlockOption = 0, minBlockOption = 1;
    float sampleRateOption = 0;
};

} // namespace vorn
