#include "encoder/pipeline/WriterGraphs.h"

#include "encoder/pipeline/GraphAsfWriter.h"
#include "encoder/pipeline/GraphAviWriter.h"
#include "encoder/pipeline/GraphMp4Writer.h"
#include "encoder/pipeline/GraphOgmWriter.h"

namespace {

template <class Graph>
std::unique_ptr<CWriterGraph> Make(CEncSettings* settings)
{
    return std::make_unique<Graph>(settings);
}

struct SWriterGraphKind {
    EncFormat format;
    std::unique_ptr<CWriterGraph> (*make)(CEncSettings* settings);
};

constexpr SWriterGraphKind kWriterGraphs[] = {
    {kEncFormatAvi, &Make<CGraphAviWriter>},
    {kEncFormatMp4, &Make<CGraphMp4Writer>},
    {kEncFormatWmv, &Make<CGraphAsfWriter>},
    {kEncFormatOgm, &Make<CGraphOgmWriter>},
};

static_assert(OneRowPerFormatInNumberOrder(kWriterGraphs, &SWriterGraphKind::format),
              "one writer graph for each format, at its number");

}  // namespace

std::unique_ptr<CWriterGraph> MakeWriterGraph(EncFormat format, CEncSettings* settings)
{
    return kWriterGraphs[OutputFormatOf(format).number].make(settings);
}
