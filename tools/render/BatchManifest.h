// The manifest of cubiform-render --batch: JSON Lines, one job a line. A job
// is an object whose keys are the long options without the dashes and whose
// values are what the option takes: a text or a number for an option with a
// value, true for a flag (false leaves it out, a default's too), either for
// --default-size. Blank lines and lines starting with # are no jobs.
//
//   {"template": "Sample Template", "orientation": "right", "output": "out/a.jpg"}
#pragma once

#include "RenderOptions.h"

#include <QIODevice>
#include <QString>

#include <vector>

struct TBatchJob {
    int Line = 0;  // in the manifest, from 1
    int Index = 0; // among the jobs, from 0
    TRenderOptions Options;
};

struct TManifestProblem {
    int Line = 0;
    QString Message;
};

struct TManifest {
    std::vector<TBatchJob> Jobs; // the jobs without problems
    std::vector<TManifestProblem> Problems;
};

// Lines longer than this are refused unread.
constexpr qint64 kMostManifestLineBytes = qint64(1) << 20;

// Reads and checks the whole manifest: each line's JSON, its keys and values
// and the options they make, then that no two jobs write the same file.
// Relative file names in it are taken from `folder`; each job starts from
// `defaults` (the options beside --batch), which its keys replace.
TManifest ReadManifest(QIODevice& in, const QString& folder, const std::vector<TRenderArgument>& defaults);

// Whether the job is one of shard K of N: its index modulo N is K - 1.
inline bool InShard(const TBatchJob& job, int shard, int shards) { return job.Index % shards == shard - 1; }
