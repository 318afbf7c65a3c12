#include "effects/plugin_catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/effects/lv2_test_plugins.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

PluginDescription Installed(const char* uri)
{
    const std::optional<PluginDescription> plugin = DescribeInstalledPlugin(uri);
    if (!plugin)
        ADD_FAILURE() << uri << " is not installed; tools/install-deps.sh installs mda-lv2 and swh-lv2";
    return plugin.value_or(PluginDescription{});
}

std::vector<std::string> Symbols(const PluginDescription& plugin)
{
    std::vector<std::string> symbols;
    for (const ControlDescription& control : plugin.m_controls)
        symbols.push_back(control.m_strSymbol);
    return symbols;
}

}  // namespace

TEST(PluginCatalogue, DescribesAStereoReverbWithItsControlsRangesAndVersion)
{
    const PluginDescription ambience = Installed(kAmbienceUri);
    EXPECT_EQ(ambience.m_strName, "MDA Ambience");
    EXPECT_THAT(Symbols(ambience), ElementsAre("size", "hf_damp", "mix", "output"));
    const ControlDescription& size = ambience.m_controls.front();
    EXPECT_EQ(size.m_fMinimum, 0.0f);
    EXPECT_EQ(size.m_fMaximum, 1.0f);
    EXPECT_EQ(size.m_fDefault, 0.7f);
    EXPECT_EQ(DescribeControlRange(size), "0 to 1");
    EXPECT_EQ(ambience.m_nAudioInputs, 2);
    EXPECT_EQ(ambience.m_nAudioOutputs, 2);
    EXPECT_FALSE(ambience.m_bReportsLatency);
    EXPECT_FALSE(ambience.m_unusable.has_value());
    // mda-lv2 declares lv2:minorVersion 2 and lv2:microVersion 0.
    EXPECT_EQ(ambience.m_version, "2.0");
}

TEST(PluginCatalogue, TellsVersionsLatencyAndWhatCannotRunHere)
{
    EXPECT_EQ(Installed(kNotANumberUri).m_version, "3.1");
    const PluginDescription latency = Installed(kLatencyUri);
    EXPECT_TRUE(latency.m_bReportsLatency);
    EXPECT_FALSE(latency.m_version.has_value());
    EXPECT_THAT(Installed(kSynthUri).m_unusable.value_or(""), HasSubstr("takes no sound in"));
    EXPECT_THAT(Installed(kUnobtainableUri).m_unusable.value_or(""),
                HasSubstr("needs the host feature http://sonnelith.example.org/test-plugins/no-such-feature"));
    // A worker and an atom port are connected, and URIDs mapped.
    EXPECT_FALSE(Installed(kWorkerGainUri).m_unusable.has_value());
    EXPECT_FALSE(Installed(kNotANumberUri).m_unusable.has_value());
}

TEST(PluginCatalogue, ListsEveryInstalledPluginByUri)
{
    const std::vector<PluginDescription> plugins = InstalledPlugins();
    const std::vector<std::string> uris = InstalledPluginUris();
    ASSERT_EQ(plugins.size(), uris.size());
    EXPECT_TRUE(std::is_sorted(uris.begin(), uris.end()));
    for (std::size_t i = 0; i < plugins.size(); ++i)
        EXPECT_EQ(plugins[i].m_strUri, uris[i]);
    for (const char* uri : {kAmbienceUri, kLatencyUri, kNotANumberUri, kUnobtainableUri})
        EXPECT_TRUE(std::binary_search(uris.begin(), uris.end(), uri)) << uri;
    EXPECT_FALSE(DescribeInstalledPlugin("http://sonnelith.example.org/test-plugins/none").has_value());
}

TEST(PluginCatalogue, ChecksControlValuesAgainstTheirRanges)
{
    const PluginDescription ambience = Installed(kAmbienceUri);
    const ControlDescription* size = FindControl(ambience, "size");
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(FindControl(ambience, "sise"), nullptr);
    EXPECT_FALSE(ControlValueProblem(*size, 0.0).has_value());
    EXPECT_FALSE(ControlValueProblem(*size, 1.0).has_value());
    EXPECT_EQ(ControlValueProblem(*size, 1.5), "use 0 to 1");
    EXPECT_EQ(ControlValueProblem(*size, -0.01), "use 0 to 1");
    EXPECT_EQ(ControlValueProblem(*size, NAN), "use 0 to 1");
    // Compared as the plugin's float: its own default passes.
    ControlDescription odd = *size;
    odd.m_fMaximum = 0.7f;
    EXPECT_FALSE(ControlValueProblem(odd, 0.7).has_value());

    ControlDescription toggle = *size;
    toggle.m_bToggled = true;
    EXPECT_EQ(ControlValueProblem(toggle, 0.5), "use 0 (off) or 1 (on)");
    ControlDescription whole = *size;
    whole.m_bInteger = true;
    whole.m_fMaximum = 8.0f;
    EXPECT_EQ(ControlValueProblem(whole, 2.5), "use a whole number from 0 to 8");
    EXPECT_FALSE(ControlValueProblem(whole, 3.0).has_value());
}

TEST(PluginCatalogue, GivesARangeInFractionsOfTheRateInHertz)
{
    // swh's lowpass declares its cutoff as 0.0001 to 0.45 of the sample rate
    // (lv2:sampleRate), and takes the value in Hz.
    const PluginDescription lowpass = Installed("http://plugin.org.uk/swh-plugins/lowpass_iir");
    const ControlDescription* cutoff = FindControl(lowpass, "cutoff");
    ASSERT_NE(cutoff, nullptr);
    EXPECT_FLOAT_EQ(cutoff->m_fMinimum, 4.41f);
    EXPECT_FLOAT_EQ(cutoff->m_fMaximum, 19845.0f);
    EXPECT_FLOAT_EQ(cutoff->m_fDefault, 0.337525f * 44100.0f);
    // A default outside its own range (swh's parametric EQ says 440 of the
    // rate, above its 0.4) is brought to the nearest end.
    const PluginDescription parametric = Installed("http://plugin.org.uk/swh-plugins/singlePara");
    const ControlDescription* centre = FindControl(parametric, "fc");
    ASSERT_NE(centre, nullptr);
    EXPECT_FLOAT_EQ(centre->m_fDefault, centre->m_fMaximum);
}
