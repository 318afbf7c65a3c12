# Read by ctest after the discovered tests of cli_tests. ctest -j starts the
# tests of the largest cost first; a fresh build has no timings of its own
# yet, so without these the longest ones could start last and the run end on
# one of them alone. The costs are roughly their seconds in the optimised
# build on two cores; a run's own timings replace them in the next run.
set_tests_properties(CliLongOutput.AWavPastFourGibibytesIsAnRf64ThatLibsndfileReadsToTheEnd PROPERTIES COST 60)
set_tests_properties(CliLongOutput.TwoHoursHaveTheirLengthAndStayUnder150MegabytesOfMemory PROPERTIES COST 75)
set_tests_properties(OutputChecksumTest.SameInputSettingsAndSeedGiveTheBytesOfTheFirstRelease PROPERTIES COST 30)
