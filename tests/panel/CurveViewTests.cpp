#include "OverlayTestSupport.h"
#include "PanelTestSupport.h"

#include "editor/PluginEditor.h"
#include "panel/CurvePanel.h"
#include "panel/Palette.h"
#include "support/ProcessorHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace
{
using vorn::CurveBase;
using vorn::DecayCurveView;
using vorn::ToneCurveView;
using vorn::test::setParameter;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

/** The plot area of a view in the 680 x 440 panel. */
juce::Rectangle<float> panelPlot()
{
    return CurveBase::plotArea({0.0f, 0.0f, 648.0f, 186.0f});
}

struct DecayCase
{
    const char* name;
    float decay, rtLow, rtHigh;
    float lowSeconds, midSeconds, highSeconds, scaleSeconds;
    const char* readout;
};

// The worked settings: the defaults, the extreme ranges at the shortest decay, and the 1 s floor of the scale.
const DecayCase kDecayCases[] = {
    {"defaults", 58.0f, 1.0f, 1.0f, 5.9691f, 5.91f, 5.30718f, 6.8645f, "5.97 / 5.91 / 5.31 s"},
    {"rtLow 2, rtHigh 0.25, decay 0", 0.0f, 2.0f, 0.25f, 0.9008f, 0.4f, 0.144f, 1.0359f, "0.90 / 0.40 / 0.14 s"},
    {"decay 0, scale floor", 0.0f, 1.0f, 1.0f, 0.404f, 0.4f, 0.3592f, 1.0f, "0.40 / 0.40 / 0.36 s"},
};

TEST(DecayCurve, DeliversTheWorkedTimesFromTheParameterStore)
{
    VornReverbAudioProcessor processor;
    DecayCurveView view(processor.parameters());

    for (const auto& c : kDecayCases)
    {
        SCOPED_TRACE(c.name);
        setParameter(processor.parameters(), "decay", c.decay);
        setParameter(processor.parameters(), "rtLow", c.rtLow);
        setParameter(processor.parameters(), "rtHigh", c.rtHigh);

        const auto times = view.currentTimes();
        EXPECT_NEAR(times.lowSeconds, c.lowSeconds, 1e-4f);
        EXPECT_NEAR(times.midSeconds, c.midSeconds, 1e-4f);
        EXPECT_NEAR(times.highSeconds, c.highSeconds, 1e-4f);
        EXPECT_NEAR(times.scaleSeconds, c.scaleSeconds, 1e-4f);
        EXPECT_EQ(DecayCurveView::readout(times), c.readout);
    }
}

TEST(DecayCurve, RangeFactorsPassThroughTheirKnotsWithoutJumps)
{
    struct Knot
    {
        float setting, factor;
    };

    for (const auto& k : {Knot{0.5f, 0.52f}, Knot{1.0f, 1.01f}, Knot{1.5f, 1.689f}, Knot{2.0f, 2.252f}})
    {
        EXPECT_NEAR(DecayCurveView::lowFactor(k.setting), k.factor, 1e-5f) << "rtLow " << k.setting;
        EXPECT_NEAR(DecayCurveView::lowFactor(k.setting + 1e-4f), k.factor, 1e-3f) << "right of " << k.setting;
    }

    for (const auto& k : {Knot{0.25f, 0.36f}, Knot{0.5f, 0.575f}, Knot{1.0f, 0.898f}, Knot{0.0f, 0.145f}})
    {
        EXPECT_NEAR(DecayCurveView::highFactor(k.setting), k.factor, 1e-5f) << "rtHigh " << k.setting;
        EXPECT_NEAR(DecayCurveView::highFactor(k.setting - 1e-4f), k.factor, 1e-3f) << "left of " << k.setting;
    }
}

TEST(DecayCurve, BothCurvesStepAtTheBandEdges)
{
    const auto times = DecayCurveView::timesFor(58.0f, 1.0f, 1.0f);

    struct Point
    {
        float hz, referenceFactor, delivered;
    };

    // 200 Hz and 2500 Hz themselves belong to the mid band.
    const Point points[] = {
        {20.0f, 1.63f, 5.9691f}, {199.0f, 1.63f, 5.9691f},   {200.0f, 1.0f, 5.91f},       {1000.0f, 1.0f, 5.91f},
        {2500.0f, 1.0f, 5.91f},  {2501.0f, 0.62f, 5.30718f}, {20000.0f, 0.62f, 5.30718f},
    };

    for (const auto& p : points)
    {
        EXPECT_NEAR(DecayCurveView::referenceSeconds(p.hz, times.midSeconds), p.referenceFactor * 5.91f, 1e-4f)
            << p.hz << " Hz";
        EXPECT_NEAR(DecayCurveView::deliveredSeconds(p.hz, times), p.delivered, 1e-4f) << p.hz << " Hz";
    }

    // The scale follows the delivered times: their longest sits below the top, the reference bass (9.63 s) above.
    const auto plot = panelPlot();
    EXPECT_NEAR(DecayCurveView::yFor(times.scaleSeconds, times, plot), plot.getY(), 1e-3f);
    EXPECT_NEAR(DecayCurveView::yFor(0.0f, times, plot), plot.getBottom(), 1e-3f);
    EXPECT_GT(DecayCurveView::yFor(times.lowSeconds, times, plot), plot.getY());
    EXPECT_NEAR(DecayCurveView::referenceSeconds(100.0f, times.midSeconds), 9.63f, 0.005f);
    EXPECT_LT(DecayCurveView::yFor(DecayCurveView::referenceSeconds(100.0f, times.midSeconds), times, plot),
              plot.getY());
}

struct ToneCase
{
    float hz, lowCut, highCut, lowTilt, db;
};

// "lowCut" 100, "highCut" 13000, "lowTilt" 0; then the defaults, 100 / -1 / -1, whose low-pass sits at 200 Hz.
const ToneCase kToneCases[] = {
    {20.0f, 100.0f, 13000.0f, 0.0f, -14.15f},   {100.0f, 100.0f, 13000.0f, 0.0f, -3.01f},
    {1000.0f, 100.0f, 13000.0f, 0.0f, -0.07f},  {13000.0f, 100.0f, 13000.0f, 0.0f, -3.01f},
    {20000.0f, 100.0f, 13000.0f, 0.0f, -5.27f}, {20.0f, 100.0f, -1.0f, -1.0f, -15.19f},
    {100.0f, 100.0f, -1.0f, -1.0f, -4.84f},     {200.0f, 100.0f, -1.0f, -1.0f, -4.59f},
    {1000.0f, 100.0f, -1.0f, -1.0f, -14.25f},
};

TEST(ToneCurve, SendResponseAtTheWorkedSettings)
{
    for (const auto& c : kToneCases)
    {
        EXPECT_NEAR(ToneCurveView::responseDb(c.hz, c.lowCut, c.highCut, c.lowTilt), c.db, 0.006f)
            << c.hz << " Hz, lowCut " << c.lowCut << ", highCut " << c.highCut << ", lowTilt " << c.lowTilt;
    }

    // Towards 20 kHz the defaults fall below the scale and are drawn at its lowest position.
    const auto plot = panelPlot();
    const auto top = ToneCurveView::responseDb(20000.0f, 100.0f, -1.0f, -1.0f);
    EXPECT_LT(top, -24.0f);
    EXPECT_FLOAT_EQ(ToneCurveView::yFor(top, plot), plot.getBottom() + plot.getHeight() / 2.0f);

    // A missing "lowCut" reads as 0 Hz; the curve stays finite.
    EXPECT_TRUE(std::isfinite(ToneCurveView::responseDb(20.0f, 0.0f, 13000.0f, 0.0f)));
}

TEST(ToneCurve, LevelScaleAndItsLimits)
{
    const auto plot = panelPlot(); // 142 high from y = 22
    const auto middle = 22.0f + 71.0f;

    struct Level
    {
        float db, y;
    };

    const Level levels[] = {
        {0.0f, middle},           {12.0f, 22.0f},           {30.0f, 22.0f},         {-12.0f, 164.0f},
        {-24.0f, 164.0f + 71.0f}, {-60.0f, 164.0f + 71.0f}, {kNaN, 164.0f + 71.0f},
    };

    for (const auto& l : levels)
        EXPECT_FLOAT_EQ(ToneCurveView::yFor(l.db, plot), l.y) << l.db << " dB";
}

TEST(ToneCurve, Readout)
{
    EXPECT_EQ(ToneCurveView::readout(100.0f, 13000.0f), "100 Hz - 13.0 kHz");
    EXPECT_EQ(ToneCurveView::readout(30.0f, 2500.0f), "30 Hz - 2.5 kHz");
    // Below 200 Hz (the default of -1 included) the curve is drawn with its 200 Hz corner, and says so: never
    // "-0.0 kHz".
    EXPECT_EQ(ToneCurveView::readout(100.0f, -1.0f), "100 Hz - 0.2 kHz");
    EXPECT_EQ(ToneCurveView::readout(100.0f, 150.0f), "100 Hz - 0.2 kHz");
    EXPECT_EQ(ToneCurveView::readout(100.0f, 200.0f), "100 Hz - 0.2 kHz");
}

TEST(CurveGeometry, FrequencyAxisAndGridFractions)
{
    const auto plot = panelPlot();
    EXPECT_EQ(plot, juce::Rectangle<float>(34.0f, 22.0f, 580.0f, 142.0f));

    struct Mark
    {
        float hz, fraction;
    };

    const Mark marks[] = {{20.0f, 0.0f},    {100.0f, 0.23299f}, {1000.0f, 0.56632f}, {10000.0f, 0.89966f},
                          {20000.0f, 1.0f}, {5.0f, 0.0f},       {40000.0f, 1.0f}};

    for (const auto& m : marks)
        EXPECT_NEAR(CurveBase::xFor(m.hz, plot), 34.0f + 580.0f * m.fraction, 0.01f) << m.hz << " Hz";

    EXPECT_FLOAT_EQ(CurveBase::sampleHz(0, 120), 20.0f);
    EXPECT_NEAR(CurveBase::sampleHz(60, 120), 632.456f, 0.01f);
    EXPECT_NEAR(CurveBase::sampleHz(120, 120), 20000.0f, 0.05f);
}

struct PanelFixture : ::testing::Test
{
    VornReverbAudioProcessor processor;
    std::unique_ptr<vorn::CurvePanel> panel{std::make_unique<vorn::CurvePanel>(processor.parameters())};

    PanelFixture() { panel->setSize(680, 440); }
};

TEST_F(PanelFixture, LaysOutTwoViewsAndClose)
{
    EXPECT_EQ(panel->decayView.getBounds(), juce::Rectangle<int>(16, 16, 648, 186));
    EXPECT_EQ(panel->toneView.getBounds(), juce::Rectangle<int>(16, 210, 648, 186));
    EXPECT_EQ(panel->closeButton.getBounds(), juce::Rectangle<int>(576, 396, 88, 28));
    EXPECT_EQ(panel->closeButton.getButtonText(), "CLOSE");

    // Squeezed below its margins the panel still lays out, with nothing negative.
    panel->setSize(20, 20);
    for (auto* child : panel->getChildren())
        EXPECT_GE(juce::jmin(child->getWidth(), child->getHeight()), 0);
}

TEST_F(PanelFixture, CloseCallsOnCloseAndSurvivesBeingDestroyedByIt)
{
    panel->closeButton.triggerClick(); // no callback set: nothing happens
    vorn_test::pumpMessages();

    int closes = 0;
    panel->onClose = [this, &closes]
    {
        ++closes;
        panel.reset(); // as the editor does
    };

    panel->closeButton.triggerClick();
    vorn_test::pumpMessages();

    EXPECT_EQ(closes, 1);
    EXPECT_EQ(panel, nullptr);
}

TEST_F(PanelFixture, SnapshotAtTheDefaults)
{
    vorn_test::ScopedPanelTypefaces typefaces;
    vorn_test::expectMatchesSnapshot(vorn_test::render(*panel, juce::Colours::black), "overlay_curves_default");
}

TEST_F(PanelFixture, SnapshotFollowsTheParameters)
{
    vorn_test::ScopedPanelTypefaces typefaces;
    const auto before = vorn_test::render(*panel, juce::Colours::black);

    setParameter(processor.parameters(), "rtLow", 2.0f);
    setParameter(processor.parameters(), "highCut", 13000.0f);

    // Each paint reads the store afresh; no notification is needed.
    EXPECT_GT(vorn_test::meanPixelDifference(before, vorn_test::render(*panel, juce::Colours::black)), 0.05);
}

TEST(CurvesKey, OpensAndClosesTheCurvePanelWithItsLed)
{
    VornReverbAudioProcessor processor;
    VornReverbAudioProcessorEditor editor(processor);

    editor.curvesKey.triggerClick();
    vorn_test::pumpMessages();
    ASSERT_NE(editor.curves, nullptr);
    EXPECT_TRUE(editor.curvesKey.isLedOn());
    EXPECT_EQ(editor.curves->getBounds(), juce::Rectangle<int>(332, 116, 680, 440));

    editor.curvesKey.triggerClick();
    vorn_test::pumpMessages();
    EXPECT_EQ(editor.curves, nullptr);
    EXPECT_FALSE(editor.curvesKey.isLedOn());

    // The panel's own CLOSE closes it the same way, LED included.
    editor.curvesKey.triggerClick();
    vorn_test::pumpMessages();
    ASSERT_NE(editor.curves, nullptr);
    editor.curves->closeButton.triggerClick();
    vorn_test::pumpMessages();
    EXPECT_EQ(editor.curves, nullptr);
    EXPECT_FALSE(editor.curvesKey.isLedOn());
}
} // namespace
