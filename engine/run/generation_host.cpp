#include "engine/run/generation_host.h"

#include "engine/run/run_messages.h"

void GenerationHost::ShowFailure(const RunFailure& failure)
{
    ShowMessage(MessageOf(failure), MessageKind::Error);
}

void GenerationHost::ShowCompletion()
{
    ShowMessage(CompletionMessage(), MessageKind::Information);
}
