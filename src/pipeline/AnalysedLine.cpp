#include "pipeline/AnalysedLine.h"

#include <algorithm>
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

namespace {

std::size_t BatchSize(const CStringArrayPBEx& lines, CStringArrayPBEx::Index batchLines) {
    return static_cast<std::size_t>(std::min(batchLines, lines.GetSize()));
}

}  // namespace

LineAnalysisAhead::LineAnalysisAhead(const CStringArrayPBEx& lines, const LineAnalysisLists& lists)
    : lines_(lines),
      lists_(lists),
      current_(BatchSize(lines, kBatchLines)),
      next_(BatchSize(lines, kBatchLines)) {
    Analyse(current_, 0);
    StartAfter(0);
}

LineAnalysisAhead::~LineAnalysisAhead() {
    if (pending_.valid()) pending_.wait();
}

const AnalysedLine& LineAnalysisAhead::At(CStringArrayPBEx::Index index) {
    if (index >= first_ + kBatchLines) {
        pending_.get();
        std::swap(current_, next_);
        first_ += kBatchLines;
        StartAfter(first_);
    }
    return current_[static_cast<std::size_t>(index - first_)];
}

void LineAnalysisAhead::Analyse(std::vector<AnalysedLine>& batch,
                                CStringArrayPBEx::Index first) const {
    const CStringArrayPBEx::Index end = std::min(first + kBatchLines, lines_.GetSize());
    for (CStringArrayPBEx::Index i = first; i < end; ++i) {
        AnalyseLine(lines_[i], lists_, batch[static_cast<std::size_t>(i - first)]);
    }
}

void LineAnalysisAhead::StartAfter(CStringArrayPBEx::Index first) {
    const CStringArrayPBEx::Index next = first + kBatchLines;
    if (next >= lines_.GetSize()) return;
    pending_ = std::async(std::launch::async, [this, next] { Analyse(next_, next); });
}
