#pragma once
// A LineSink that keeps every line, for the keyword tests. It takes lines
// through AddLine only, as the window's panes do, so the joining of pieces in
// LineSink is exercised as well.
#include <string>
#include <string_view>
#include <vector>

#include "keywords/Keywords.h"

namespace varnolt::test {

using Lines = std::vector<std::string>;

class VectorSink : public LineSink {
public:
    void AddLine(std::string_view line) override { lines.emplace_back(line); }
    Lines lines;
};

}  // namespace varnolt::test
