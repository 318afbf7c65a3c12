// sonnelith-cli --list-effects: the installed LV2 plugins with their
// controls, found where LV2_PATH says.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/cli/cli_process.h"
#include "tests/support/temp_dir.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

CliResult ListWith(const std::string& lv2Path, const std::vector<std::string>& arguments = {"--list-effects"})
{
    return RunCli(arguments, [lv2Path] { setenv("LV2_PATH", lv2Path.c_str(), 1); });
}

}  // namespace

TEST(CliEffectList, ListsEachPluginsControlsWithRangeAndDefault)
{
    const CliResult listed = ListWith(SONNELITH_TEST_LV2_PATH);
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.err, "");
    EXPECT_THAT(listed.out, HasSubstr("http://drobilla.net/plugins/mda/Ambience\n"
                                      "    MDA Ambience, version 2.0\n"
                                      "      size     Size: 0 to 1, default 0.7\n"
                                      "      hf_damp  HF Damp: 0 to 1, default 0.7\n"));
    EXPECT_THAT(listed.out, HasSubstr("http://plugin.org.uk/swh-plugins/artificialLatency\n"
                                      "    Artificial latency, mono (run once for each side), reports a latency (taken off)\n"
                                      "      delay  Delay (ms): 0 to 10000, default 2500\n"));
    EXPECT_THAT(listed.out, HasSubstr("    Simple amplifier, mono (run once for each side)\n"));
    // Those that cannot run here come last, each with the reason.
    const std::size_t unusable = listed.out.find("\nInstalled, but not effects this host can run:\n");
    ASSERT_NE(unusable, std::string::npos);
    EXPECT_THAT(listed.out.substr(unusable),
                HasSubstr("  http://drobilla.net/plugins/mda/DX10: it takes no sound in (an instrument or a "
                          "generator, not an effect)\n"));
    EXPECT_THAT(listed.out.substr(unusable),
                HasSubstr("  http://sonnelith.example.org/test-plugins/unobtainable: it needs the host feature "));
    EXPECT_THAT(listed.out.substr(0, unusable), Not(HasSubstr("mda/DX10")));
}

TEST(CliEffectList, SaysWhenNoneIsInstalledAndStandsAlone)
{
    const TempDir empty;
    const CliResult none = ListWith(empty.Path().string());
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_THAT(none.out, HasSubstr("No LV2 plugins are installed where lilv looks for them"));

    const CliResult crowded = ListWith(SONNELITH_TEST_LV2_PATH, {"--list-effects", "-o", "out.wav"});
    EXPECT_EQ(crowded.exitCode, 2);
    EXPECT_EQ(crowded.out, "");
    EXPECT_THAT(crowded.err, HasSubstr("--list-effects takes nothing else on the command line"));
    EXPECT_THAT(RunCli({"--help"}).out, HasSubstr("--list-effects"));
}
