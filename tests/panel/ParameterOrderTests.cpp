// The orders the panel and the program library keep of their own (memory slots, factory keys, matrix keys) are
// orders over the one parameter table: each names every parameter it should, once, and nothing else.
#include "editor/PluginEditor.h"
#include "engine/ParameterTable.h"
#include "plugin/FactoryPresets.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace
{
std::set<std::string> tableIds()
{
    std::set<std::string> ids;
    for (const auto& row : vorn::kParameterTable)
        ids.insert(row.id);
    return ids;
}

TEST(ParameterOrders, MemorySlotsHoldEveryParameterOnce)
{
    const auto& order = VornReverbAudioProcessorEditor::allParamIds();
    std::set<std::string> seen;

    for (const auto& id : order)
        EXPECT_TRUE(seen.insert(id.toStdString()).second) << id << " twice";

    EXPECT_EQ(order.size(), static_cast<int>(vorn::kParameterCount));
    EXPECT_EQ(seen, tableIds());
}

TEST(ParameterOrders, FactoryKeysHoldEveryParameterOncePlusTwoOfAnOlderUnit)
{
    std::set<std::string> seen, strangers;

    for (const auto* id : vorn::kFactoryKeys)
    {
        EXPECT_TRUE(seen.insert(id).second) << id << " twice";
        if (vorn::findParameter(id) == nullptr)
            strangers.insert(id);
    }

    EXPECT_EQ(strangers, (std::set<std::string>{"distance", "height"}));
    for (const auto& id : tableIds())
        EXPECT_EQ(seen.count(id), 1u) << id << " missing";
}

TEST(ParameterOrders, MatrixKeysNameParametersAndTakeTheirStepsAndRangesFromTheTable)
{
    std::set<std::string> seen;
    int empty = 0;

    for (const auto& slot : vorn::matrixTable())
    {
        const std::string id(slot.paramId);

        if (id.empty())
        {
            ++empty;
            continue;
        }

        const auto* info = vorn::findParameter(id);
        ASSERT_NE(info, nullptr) << id;
        EXPECT_TRUE(seen.insert(id).second) << id << " twice";

        // A key steps by its parameter's step; a continuous parameter across its range.
        EXPECT_FLOAT_EQ(slot.stepSize, info->step > 0.0f ? info->step : info->maximum - info->minimum) << id;
    }

    EXPECT_EQ(empty, 1);
    EXPECT_EQ(seen.size(), 23u);

    // The corner legends as printed on the unit; all but the reverb time's are the parameter's own range.
    const std::pair<const char*, const char*> legends[] = {
        {"decay", "0-9.9"},    {"predelay", "0-255"}, {"earlyLevel", "0-0.9"}, {"earlyDelay", "0-255"},
        {"subLevel", "0-0.9"}, {"subDelay", "0-255"}, {"dryWet", "0-100"},     {"t1", "0-999"},
        {"t2", "0-499"},       {"k1", "0-0.9"},       {"k2", "0-0.9"},         {"modDepth", "0-100"}};

    for (const auto& [id, legend] : legends)
        EXPECT_EQ(VornReverbAudioProcessorEditor::slotFor(id)->rangeText, legend) << id;

    EXPECT_TRUE(VornReverbAudioProcessorEditor::slotFor("size")->rangeText.isEmpty());
}
} // namespace
