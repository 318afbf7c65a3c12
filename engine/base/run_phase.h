// The long phases of a run, each with its own bar and percentage where a
// window shows them.
#pragma once

// A run that holds its whole output has the first three; a streamed run with
// a meter on its finished sound measures it before writing.
enum class RunPhase { Loading, Generating, Writing, Measuring };
