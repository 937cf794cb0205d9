#include "Lv2Host.h"

#include <lv2/atom/forge.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/patch/patch.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace vorn
{

namespace
{
constexpr size_t kEventBufferBytes = 1 << 16;

/** A node that frees itself. */
struct NodeDeleter
{
    void operator()(LilvNode* node) const { lilv_node_free(node); }
};
using Node = std::unique_ptr<LilvNode, NodeDeleter>;

struct NodesDeleter
{
    void operator()(LilvNodes* nodes) const { lilv_nodes_free(nodes); }
};
using Nodes = std::unique_ptr<LilvNodes, NodesDeleter>;

/** The one value of a property of a subject, as a number, or the fallback when the description has none. */
float numberOf(LilvWorld* world, const LilvNode* subject, const LilvNode* property, float fallback)
{
    const Node value{lilv_world_get(world, subject, property, nullptr)};
    if (value == nullptr || !(lilv_node_is_float(value.get()) || lilv_node_is_int(value.get())))
        return fallback;
    return lilv_node_as_float(value.get());
}

std::string textOf(LilvWorld* world, const LilvNode* subject, const LilvNode* property)
{
    const Node value{lilv_world_get(world, subject, property, nullptr)};
    return value != nullptr ? lilv_node_as_string(value.get()) : "";
}

/** Appends one atom (header and body), padded to 8 bytes, to a byte list. */
void appendAtom(std::vector<unsigned char>& out, const LV2_Atom* atom)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(atom);
    const size_t total = sizeof(LV2_Atom) + atom->size;
    out.insert(out.end(), bytes, bytes + total);
    out.resize(out.size() + ((8 - total % 8) % 8), 0);
}
} // namespace

Lv2Host::Lv2Host(const std::string& pluginUri, const std::string& bundlePath, double sampleRate, int maxBlockSize)
    : uri(pluginUri), maxBlock(std::max(1, maxBlockSize))
{
    world = lilv_world_new();
    if (bundlePath.empty())
    {
        lilv_world_load_all(world);
    }
    else
    {
        auto dir = bundlePath;
        if (dir.back() != '/')
            dir += '/';
        LilvNode* bundle = lilv_new_file_uri(world, nullptr, dir.c_str());
        lilv_world_load_bundle(world, bundle);
        lilv_node_free(bundle);
    }

    LilvNode* uriNode = lilv_new_uri(world, uri.c_str());
    plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uriNode);
    lilv_node_free(uriNode);
    if (plugin == nullptr)
    {
        errorText = "no LV2 plug-in with URI " + uri;
        return;
    }

    sequenceType = map(LV2_ATOM__Sequence);
    chunkType = map(LV2_ATOM__Chunk);
    maxBlockOption = maxBlock;
    sampleRateOption = float(sampleRate);
    const LV2_Options_Option options[] = {
        {LV2_OPTIONS_INSTANCE, 0, map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t), map(LV2_ATOM__Int),
         &maxBlockOption},
        {LV2_OPTIONS_INSTANCE, 0, map(LV2_BUF_SIZE__minBlockLength), sizeof(int32_t), map(LV2_ATOM__Int),
         &minBlockOption},
        {LV2_OPTIONS_INSTANCE, 0, map(LV2_PARAMETERS__sampleRate), sizeof(float), map(LV2_ATOM__Float),
         &sampleRateOption},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
    };
    const LV2_Feature mapF{LV2_URID__map, &mapFeature};
    const LV2_Feature unmapF{LV2_URID__unmap, &unmapFeature};
    const LV2_Feature optionsF{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
    const LV2_Feature boundedF{LV2_BUF_SIZE__boundedBlockLength, nullptr};
    const LV2_Feature scheduleF{LV2_WORKER__schedule, &scheduleFeature};
    const LV2_Feature* features[] = {&mapF, &unmapF, &optionsF, &boundedF, &scheduleF, nullptr};

    const auto numPorts = lilv_plugin_get_num_ports(plugin);
    std::vector<float> defaults(numPorts, 0.0f);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    controlValues.assign(numPorts, 0.0f);

    instance = lilv_plugin_instantiate(plugin, sampleRate, features);
    if (instance == nullptr)
    {
        errorText = "cannot instantiate " + uri;
        return;
    }

    worker =
        static_cast<const LV2_Worker_Interface*>(lilv_instance_get_extension_data(instance, LV2_WORKER__interface));

    LilvNode* audioClass = lilv_new_uri(world, LILV_URI_AUDIO_PORT);
    LilvNode* controlClass = lilv_new_uri(world, LILV_URI_CONTROL_PORT);
    LilvNode* atomClass = lilv_new_uri(world, LV2_ATOM__AtomPort);
    LilvNode* inputClass = lilv_new_uri(world, LILV_URI_INPUT_PORT);

    eventIn.assign(kEventBufferBytes / 8, 0);
    eventOut.assign(kEventBufferBytes / 8, 0);

    for (uint32_t i = 0; i < numPorts; ++i)
    {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        const bool isInput = lilv_port_is_a(plugin, port, inputClass);
        if (lilv_port_is_a(plugin, port, audioClass))
        {
            auto& list = isInput ? audioInputs : audioOutputs;
            list.push_back({i, std::vector<float>(size_t(maxBlock), 0.0f)});
            lilv_instance_connect_port(instance, i, list.back().buffer.data());
        }
        else if (lilv_port_is_a(plugin, port, controlClass))
        {
            controlValues[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];
            if (isInput)
                controlInputBySymbol[lilv_node_as_string(lilv_port_get_symbol(plugin, port))] = i;
            lilv_instance_connect_port(instance, i, &controlValues[i]);
        }
        else if (lilv_port_is_a(plugin, port, atomClass))
        {
            lilv_instance_connect_port(instance, i, isInput ? eventIn.data() : eventOut.data());
        }
        else
        {
            lilv_instance_connect_port(instance, i, nullptr);
        }
    }
    // Audio buffers moved while the lists grew: connect them again at their final addresses.
    for (auto* list : {&audioInputs, &audioOutputs})
        for (auto& port : *list)
            lilv_instance_connect_port(instance, port.index, port.buffer.data());

    lilv_node_free(audioClass);
    lilv_node_free(controlClass);
    lilv_node_free(atomClass);
    lilv_node_free(inputClass);

    lilv_instance_activate(instance);
}

Lv2Host::~Lv2Host()
{
    if (instance != nullptr)
    {
        lilv_instance_deactivate(instance);
        lilv_instance_free(instance);
    }
    lilv_world_free(world);
}

LV2_URID Lv2Host::map(const char* name)
{
    const auto found = uridByName.find(name);
    if (found != uridByName.end())
        return found->second;
    const auto urid = LV2_URID(nameByUrid.size());
    nameByUrid.emplace_back(name);
    uridByName.emplace(name, urid);
    return urid;
}

LV2_URID Lv2Host::mapCallback(LV2_URID_Map_Handle handle, const char* name)
{
    return static_cast<Lv2Host*>(handle)->map(name);
}

const char* Lv2Host::unmapCallback(LV2_URID_Unmap_Handle handle, LV2_URID urid)
{
    const auto& names = static_cast<Lv2Host*>(handle)->nameByUrid;
    return urid > 0 && urid < names.size() ? names[urid].c_str() : nullptr;
}

LV2_Worker_Status Lv2Host::scheduleWork(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    static_cast<Lv2Host*>(handle)->scheduled.emplace_back(bytes, bytes + size);
    return LV2_WORKER_SUCCESS;
}

LV2_Worker_Status Lv2Host::respond(LV2_Worker_Respond_Handle handle, uint32_t size, const void* data)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    static_cast<Lv2Host*>(handle)->responses.emplace_back(bytes, bytes + size);
    return LV2_WORKER_SUCCESS;
}

void Lv2Host::runScheduledWork()
{
    if (worker == nullptr)
        return;
    auto jobs = std::move(scheduled);
    scheduled.clear();
    for (const auto& job : jobs)
        worker->work(lilv_instance_get_handle(instance), &Lv2Host::respond, this, uint32_t(job.size()), job.data());
    auto answers = std::move(responses);
    responses.clear();
    for (const auto& answer : answers)
        worker->work_response(lilv_instance_get_handle(instance), uint32_t(answer.size()), answer.data());
    if (worker->end_run != nullptr)
        worker->end_run(lilv_instance_get_handle(instance));
}

bool Lv2Host::setControlPort(const std::string& symbol, float value)
{
    const auto found = controlInputBySymbol.find(symbol);
    if (found == controlInputBySymbol.end())
        return false;
    controlValues[found->second] = value;
    return true;
}

void Lv2Host::queueParameter(const std::string& id, float value)
{
    alignas(8) unsigned char scratch[256];
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, &mapFeature);
    lv2_atom_forge_set_buffer(&forge, scratch, sizeof scratch);
    LV2_Atom_Forge_Frame frame;
    const auto ref = lv2_atom_forge_object(&forge, &frame, 0, map(LV2_PATCH__Set));
    lv2_atom_forge_key(&forge, map(LV2_PATCH__property));
    lv2_atom_forge_urid(&forge, map((uri + ":" + id).c_str()));
    lv2_atom_forge_key(&forge, map(LV2_PATCH__value));
    lv2_atom_forge_float(&forge, value);
    lv2_atom_forge_pop(&forge, &frame);
    appendAtom(pendingEvents, lv2_atom_forge_deref(&forge, ref));
}

void Lv2Host::queueTempo(double beatsPerMinute)
{
    alignas(8) unsigned char scratch[256];
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, &mapFeature);
    lv2_atom_forge_set_buffer(&forge, scratch, sizeof scratch);
    LV2_Atom_Forge_Frame frame;
    const auto ref = lv2_atom_forge_object(&forge, &frame, 0, map(LV2_TIME__Position));
    lv2_atom_forge_key(&forge, map(LV2_TIME__beatsPerMinute));
    lv2_atom_forge_float(&forge, float(beatsPerMinute));
    lv2_atom_forge_key(&forge, map(LV2_TIME__speed));
    lv2_atom_forge_float(&forge, 1.0f);
    lv2_atom_forge_pop(&forge, &frame);
    appendAtom(pendingEvents, lv2_atom_forge_deref(&forge, ref));
}

void Lv2Host::run(const std::vector<const float*>& inputs, const std::vector<float*>& outputs, int numFrames)
{
    if (instance == nullptr || numFrames <= 0)
        return;
    numFrames = std::min(numFrames, maxBlock);

    // Input sequence: every queued event at frame 0.
    auto* bytes = reinterpret_cast<unsigned char*>(eventIn.data());
    auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(bytes);
    sequence->atom.type = sequenceType;
    sequence->body.unit = 0;
    sequence->body.pad = 0;
    size_t offset = sizeof(LV2_Atom_Sequence);
    for (size_t pos = 0; pos < pendingEvents.size();)
    {
        const auto* atom = reinterpret_cast<const LV2_Atom*>(pendingEvents.data() + pos);
        const size_t atomBytes = sizeof(LV2_Atom) + atom->size;
        const size_t padded = atomBytes + (8 - atomBytes % 8) % 8;
        if (offset + sizeof(int64_t) + padded > kEventBufferBytes)
            break;
        const int64_t frames = 0;
        std::memcpy(bytes + offset, &frames, sizeof frames);
        std::memcpy(bytes + offset + sizeof frames, atom, atomBytes);
        offset += sizeof frames + padded;
        pos += padded;
    }
    pendingEvents.clear();
    sequence->atom.size = uint32_t(offset - sizeof(LV2_Atom));

    auto* out = reinterpret_cast<LV2_Atom_Sequence*>(eventOut.data());
    out->atom.type = chunkType;
    out->atom.size = uint32_t(kEventBufferBytes - sizeof(LV2_Atom));

    for (size_t i = 0; i < audioInputs.size(); ++i)
    {
        const float* source = inputs.empty() ? nullptr : inputs[std::min(i, inputs.size() - 1)];
        auto& buffer = audioInputs[i].buffer;
        if (source != nullptr)
            std::copy(source, source + numFrames, buffer.begin());
        else
            std::fill(buffer.begin(), buffer.begin() + numFrames, 0.0f);
    }

    lilv_instance_run(instance, uint32_t(numFrames));
    runScheduledWork();

    for (size_t i = 0; i < outputs.size() && i < audioOutputs.size(); ++i)
        std::copy(audioOutputs[i].buffer.begin(), audioOutputs[i].buffer.begin() + numFrames, outputs[i]);
}

std::vector<Lv2ParameterDescription> Lv2Host::describeParameters() const
{
    std::vector<Lv2ParameterDescription> result;
    if (plugin == nullptr)
        return result;

    const Node writable{lilv_new_uri(world, LV2_PATCH__writable)};
    const Node label{lilv_new_uri(world, LILV_NS_RDFS "label")};
    const Node minimum{lilv_new_uri(world, LV2_CORE__minimum)};
    const Node maximum{lilv_new_uri(world, LV2_CORE__maximum)};
    const Node defaultValue{lilv_new_uri(world, LV2_CORE__default)};
    const Node scalePoint{lilv_new_uri(world, LV2_CORE__scalePoint)};
    const Node value{lilv_new_uri(world, LILV_NS_RDF "value")};
    const auto prefix = uri + ":";

    const Nodes parameters{lilv_world_find_nodes(world, lilv_plugin_get_uri(plugin), writable.get(), nullptr)};
    LILV_FOREACH(nodes, i, parameters.get())
    {
        const auto* parameter = lilv_nodes_get(parameters.get(), i);
        Lv2ParameterDescription description;
        const std::string parameterUri = lilv_node_as_uri(parameter);
        description.id = parameterUri.rfind(prefix, 0) == 0 ? parameterUri.substr(prefix.size()) : parameterUri;
        description.label = textOf(world, parameter, label.get());
        description.minimum = numberOf(world, parameter, minimum.get(), 0.0f);
        description.maximum = numberOf(world, parameter, maximum.get(), 1.0f);
        description.defaultValue = numberOf(world, parameter, defaultValue.get(), description.minimum);

        const Nodes points{lilv_world_find_nodes(world, parameter, scalePoint.get(), nullptr)};
        LILV_FOREACH(nodes, j, points.get())
        {
            const auto* point = lilv_nodes_get(points.get(), j);
            description.namedValues.push_back(
                {textOf(world, point, label.get()), numberOf(world, point, value.get(), std::nanf(""))});
        }
        result.push_back(std::move(description));
    }
    return result;
}

LV2_State_Status Lv2Host::storeProperty(LV2_State_Handle handle, uint32_t key, const void* value, size_t size,
                                        uint32_t type, uint32_t)
{
    auto& host = *static_cast<Lv2Host*>(handle);
    const auto* bytes = static_cast<const char*>(value);
    std::string stored(bytes, bytes + size);
    if (type == host.map(LV2_ATOM__String) && !stored.empty() && stored.back() == '\0')
        stored.pop_back();
    if (key == 0 || key >= host.nameByUrid.size())
        return LV2_STATE_ERR_UNKNOWN;
    host.storedState[host.nameByUrid[key]] = std::move(stored);
    return LV2_STATE_SUCCESS;
}

std::map<std::string, std::string> Lv2Host::saveState()
{
    storedState.clear();
    if (instance == nullptr)
        return {};
    const auto* state =
        static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance, LV2_STATE__interface));
    if (state == nullptr)
        return {};
    const LV2_Feature mapF{LV2_URID__map, &mapFeature};
    const LV2_Feature* features[] = {&mapF, nullptr};
    state->save(lilv_instance_get_handle(instance), &Lv2Host::storeProperty, this,
                LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features);
    return std::exchange(storedState, {});
}

} // namespace vorn
