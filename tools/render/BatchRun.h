// cubiform-render --batch: checks the whole manifest, then renders the jobs
// of its shard on worker threads, one job a worker, each job on its own
// thread alone. Faces come from a cache the jobs share; faces and jobs stay
// within the memory limit together (FaceCache.h).
#pragma once

#include "BatchCommand.h"

#include <cstdio>

// Exit status: 0 when every job is done, 1 when any failed or did not run,
// 2 when the manifest cannot be read or has errors (each on err with its
// line; nothing is rendered then), 128 + the signal after an interruption.
int RunBatch(const TBatchCommand& command, std::FILE* out, std::FILE* err);
