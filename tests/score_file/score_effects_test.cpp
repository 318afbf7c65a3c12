// A score's effects: [[layer.effect]] and [[effect]] tables read against the
// installed LV2 plugins (Debian's mda-lv2), refused at their line with the
// nearest name, and written back with the plugins' versions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "score_file/effect_reading.h"
#include "score_file/score_writing.h"
#include "tests/score_file/score_test_folder.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

const char kAmbience[] = "http://drobilla.net/plugins/mda/Ambience";
const char kCombo[] = "http://drobilla.net/plugins/mda/Combo";

// A score of one layer, from line 1: the layer and its source on lines 1 and
// 2, then lines.
std::string WithLayer(const std::string& lines)
{
    return "[[layer]]\nsource = \"rain.flac\"\n" + lines;
}

const char kTwoChains[] = R"([[layer]]
source = "rain.flac"

[[layer.effect]]
plugin = "http://drobilla.net/plugins/mda/Ambience"
controls = { size = 0.9, mix = 1 }

[[layer.effect]]
plugin = "http://drobilla.net/plugins/mda/Combo"
controls = { stereo = true, drive = 0 }

[[effect]]
plugin = "http://drobilla.net/plugins/mda/Delay"
version = "2.0"
)";

}  // namespace

TEST(ScoreEffects, ALayersChainAndTheMixesAreReadInOrder)
{
    const Score score = ScoreTestFolder().Accepted(kTwoChains);
    ASSERT_EQ(score.m_layers.size(), 1u);
    const EffectChainSetting& layer = score.m_layers.front().m_effects;
    ASSERT_EQ(layer.size(), 2u);
    EXPECT_EQ(layer[0].m_strPlugin, kAmbience);
    EXPECT_EQ(layer[0].m_controls, (std::map<std::string, double>{{"mix", 1.0}, {"size", 0.9}}));
    EXPECT_EQ(layer[0].m_nLine, 4);
    EXPECT_EQ(layer[1].m_strPlugin, kCombo);
    // A switch takes true or false, as 1 and 0.
    EXPECT_EQ(layer[1].m_controls, (std::map<std::string, double>{{"drive", 0.0}, {"stereo", 1.0}}));
    ASSERT_EQ(score.m_effects.size(), 1u);
    EXPECT_EQ(score.m_effects[0].m_version, "2.0");
    EXPECT_FALSE(layer[0].m_version.has_value());
}

TEST(ScoreEffects, AreWrittenBackToTheSameScoreAndStoredWithTheirVersions)
{
    const ScoreTestFolder folder;
    const Score score = folder.Accepted(kTwoChains);
    const std::string text = WriteScoreText(score);
    EXPECT_THAT(text, HasSubstr("\n[[layer.effect]]\nplugin = \"http://drobilla.net/plugins/mda/Ambience\"\n"
                                "controls = { mix = 1, size = 0.9 }\n"));
    EXPECT_EQ(folder.Accepted(text), score);

    Score stored = score;
    stored.m_layers.front().m_effects = WithInstalledVersions(stored.m_layers.front().m_effects);
    EXPECT_EQ(stored.m_layers.front().m_effects[0].m_version, "2.0");  // mda-lv2's lv2:minorVersion.microVersion
    EXPECT_THAT(WriteScoreText(stored), HasSubstr("controls = { mix = 1, size = 0.9 }\nversion = \"2.0\"\n"));
    EXPECT_EQ(folder.Accepted(WriteScoreText(stored)), stored);
}

TEST(ScoreEffects, AVersionOtherThanTheInstalledOneIsNoted)
{
    Score score = ScoreTestFolder().Accepted(kTwoChains);
    EXPECT_TRUE(EffectVersionNotes(score, "score.toml").empty());
    score.m_effects[0].m_version = "1.4";
    EXPECT_THAT(EffectVersionNotes(score, "score.toml"),
                ElementsAre("score.toml:12: the effect plugin http://drobilla.net/plugins/mda/Delay is version 2.0 "
                            "here; the score was stored with version 1.4, so the sound may differ from the stored "
                            "one's"));
}

TEST(ScoreEffects, SlipsAreRefusedAtTheirLineWithTheNearestName)
{
    const ScoreTestFolder folder;
    struct Case {
        const char* m_szWhat;
        std::string m_strText;
        std::string m_strPlace;
        std::string m_strPhrase;
    };
    const std::vector<Case> cases = {
        {"a misspelt URI", WithLayer("[[layer.effect]]\nplugin = \"http://drobilla.net/plugins/mda/Ambiance\"\n"),
         "score.toml:4: ",
         "no plugin 'http://drobilla.net/plugins/mda/Ambiance' is installed (did you mean "
         "'http://drobilla.net/plugins/mda/Ambience'?); sonnelith-cli --list-effects lists the installed ones"},
        {"a plugin's name for its URI", "[[layer]]\nsource = \"rain.flac\"\n[[effect]]\nplugin = \"MDA Ambience\"\n",
         "score.toml:4: ", "(did you mean 'http://drobilla.net/plugins/mda/Ambience'?)"},
        {"a URI far from any", WithLayer("[[effect]]\nplugin = \"urn:nothing:like:it\"\n"), "score.toml:4: ",
         "no plugin 'urn:nothing:like:it' is installed; sonnelith-cli --list-effects"},
        {"a misspelt control",
         WithLayer("[[layer.effect]]\nplugin = \"http://drobilla.net/plugins/mda/Ambience\"\n"
                   "[layer.effect.controls]\nsize = 0.5\nsise = 0.5\n"),
         "score.toml:7: ", "unknown control 'sise' of MDA Ambience (did you mean 'size'?)"},
        {"a control far from any",
         WithLayer("[[layer.effect]]\nplugin = \"http://drobilla.net/plugins/mda/Ambience\"\n"
                   "controls = { colour = 1 }\n"),
         "score.toml:5: ", "unknown control 'colour' of MDA Ambience; it takes size, hf_damp, mix and output"},
        {"a control out of its range",
         WithLayer("[[layer.effect]]\nplugin = \"http://drobilla.net/plugins/mda/Ambience\"\n"
                   "[layer.effect.controls]\nmix = 1.5\n"),
         "score.toml:6: ", "controls.mix is 1.5; use 0 to 1"},
        {"a switch half on",
         WithLayer("[[layer.effect]]\nplugin = \"http://drobilla.net/plugins/mda/Combo\"\ncontrols.stereo = 0.5\n"),
         "score.toml:5: ", "controls.stereo is 0.5; use 0 (off) or 1 (on)"},
        {"an instrument", WithLayer("[[effect]]\nplugin = \"http://drobilla.net/plugins/mda/DX10\"\n"),
         "score.toml:4: ", "(MDA DX10) cannot be used as an effect: it takes no sound in"},
        {"an effect without a plugin", WithLayer("[[effect]]\ncontrols = { size = 1 }\n"), "score.toml:3: ",
         "an effect without a plugin; below [[effect]] name one by its URI"},
        {"a misspelt key", WithLayer("[[effect]]\nplugn = \"x\"\n"), "score.toml:4: ",
         "unknown key 'plugn' in an effect (did you mean 'plugin'?)"},
        {"a plugin straight in a layer", WithLayer("plugin = \"http://drobilla.net/plugins/mda/Ambience\"\n"),
         "score.toml:3: ", "'plugin' is an effect's; give it below a [[layer.effect]] line"},
        {"one effect table, not an array", WithLayer("[layer.effect]\nplugin = \"x\"\n"), "score.toml:3: ",
         "[[layer.effect]]"},
        {"a version not minor.micro",
         WithLayer("[[effect]]\nplugin = \"http://drobilla.net/plugins/mda/Delay\"\nversion = \"2\"\n"),
         "score.toml:5: ", "version is '2'; it must be the plugin's version as minor.micro"},
    };
    for (const Case& refusal : cases) {
        SCOPED_TRACE(refusal.m_szWhat);
        const std::string error = folder.Refusal(refusal.m_strText);
        EXPECT_THAT(error, StartsWith(refusal.m_strPlace));
        EXPECT_THAT(error, HasSubstr(refusal.m_strPhrase));
    }
}
