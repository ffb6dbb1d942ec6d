#include "pipeline/AnalysedLine.h"

#include <sys/resource.h>
#include <unistd.h>

#include <utility>

#include "pipeline/LogTimestamp.h"

void AnalyseLine(const std::string& line, const LineAnalysisLists& lists, AnalysedLine& out) {
    SplitLogLine(line, out.record);
    out.file = AnalyseRequest(out.record[kFieldRequest]);
    out.included = IsIncludedExtension(out.file.Extension, lists.includeExts, lists.includeExtList);
    if (!out.included) return;
    out.country = CountryForIp(lists.countries, out.record[kFieldIP]);
    out.search = AnalyseReferrer(out.record[kFieldReferrer], lists.engines);
    out.when = ParseLogTimestamp(out.record[kFieldDateTimeTxt], lists.monthNames);
}

LineAnalysisAhead::LineAnalysisAhead(LineSource& source, const LineAnalysisLists& lists)
    : source_(source), lists_(lists), total_(source.TotalLines()) {
    Fill(current_);
    StartNext();
}

LineAnalysisAhead::~LineAnalysisAhead() {
    if (pending_.valid()) pending_.wait();
}

const AnalysedLine& LineAnalysisAhead::At(Index index) {
    if (index >= first_ + static_cast<Index>(current_.lines.size())) {
        // Rethrows a failure to read the batch, once every line before it has been answered.
        pending_.get();
        first_ += static_cast<Index>(current_.lines.size());
        std::swap(current_, next_);
        StartNext();
    }
    return current_.analysed[static_cast<std::size_t>(index - first_)];
}

const std::string& LineAnalysisAhead::Text(Index index) const {
    return current_.lines[static_cast<std::size_t>(index - first_)];
}

void LineAnalysisAhead::Fill(Batch& batch) {
    source_.NextLines(batch.lines, kBatchLines);
    // Grown, never shrunk: the analyses keep their strings' memory from batch to batch.
    if (batch.analysed.size() < batch.lines.size()) batch.analysed.resize(batch.lines.size());
    for (std::size_t i = 0; i < batch.lines.size(); ++i)
        AnalyseLine(batch.lines[i], lists_, batch.analysed[i]);
}

// The writer and the database take turns batch by batch and leave gaps in each other's work,
// while this thread has a batch in hand to spare. At a lower priority it fills those gaps
// instead of taking a processor from the database server when both are busy: a PostgreSQL
// export's write took about a tenth less. (On Linux the priority is the calling thread's.)
void LineAnalysisAhead::GiveWayToTheWriter() {
    constexpr int kNiceness = 10;
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kNiceness);
}

void LineAnalysisAhead::StartNext() {
    if (first_ + static_cast<Index>(current_.lines.size()) >= total_) return;
    pending_ = std::async(std::launch::async, [this] {
        GiveWayToTheWriter();
        Fill(next_);
    });
}
