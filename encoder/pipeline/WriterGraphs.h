// The writer graph of each output format, by the numbers of the format
// table: the one place where a format becomes the graph that writes it.
#pragma once

#include <memory>

#include "encoder/core/OutputFormat.h"
#include "encoder/pipeline/WriterGraph.h"

// A new writer graph of the format, reading the settings record (which
// outlives it).
std::unique_ptr<CWriterGraph> MakeWriterGraph(EncFormat format, CEncSettings* settings);
