// The command line of cubiform-render --batch: the batch's own options, and
// the render options beside them, which are every job's defaults.
#pragma once

#include "RenderOptions.h"

#include <vector>

struct TBatchCommand {
    bool Requested = false; // --batch was given
    bool Help = false;
    QString Manifest;       // "-": standard input
    int Jobs = 0;           // --jobs; 0: one a processor core
    bool FailFast = false;
    bool Quiet = false;
    bool JsonProgress = false; // --progress=json
    int Shard = 1, Shards = 1; // --shard K/N
    std::vector<TRenderArgument> Defaults;
    TRenderOptions DefaultOptions; // the defaults applied alone (for the memory limit)
};

// Takes the batch options out of the arguments. Without any of them the
// command is no batch (Requested false) and the arguments are left to
// ParseRenderArguments; a batch option without --batch, or a default that is
// not valid, is a usage error.
TParseResult ParseBatchCommand(const QByteArrayList& arguments, TBatchCommand& command);
