// The gzip log reader. Any file must end in lines or in a clean error, never in a crash or a
// hang; and a log whose compressed data was cut short must be an error, because the lines it
// still gave would pass for the whole log.

#include <zlib.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "textfiles/CStringArrayPBEx.h"
#include "textfiles/CZipper.h"

namespace {

struct Lines {
    bool ok = false;
    std::vector<std::string> lines;
    std::string error;
};

Lines ReadLinesOf(const std::string& fileName) {
    CGZip gzip;
    FuzzCheck(gzip.Open(fileName, CZipper::OpenMode::Read), "an existing file opens");
    CStringArrayPBEx lines;
    Lines result;
    result.ok = gzip.ReadLines(lines);
    result.lines = std::move(lines.Items());
    if (!result.ok) result.error = gzip.LastError();
    return result;
}

// The lines the reader should give for `text`, cut in one piece rather than block by block.
std::vector<std::string> LinesOf(std::string_view text) {
    std::vector<std::string> lines;
    LineCollector collector(lines, LineCollector::CarriageReturn::Kept);
    collector.Append(text);
    collector.Finish();
    return lines;
}

// The whole file through ReadAll must agree with the line reader.
void CheckReadAll(const std::string& fileName, const Lines& read) {
    CGZip gzip;
    FuzzCheck(gzip.Open(fileName, CZipper::OpenMode::Read), "an existing file opens twice");
    std::unique_ptr<char[]> buffer;
    std::size_t length = 0;
    if (!gzip.ReadAll(buffer, length)) {
        // ReadAll also says false for no bytes at all, which the line reader takes as no lines.
        FuzzCheck(!read.ok || read.lines.empty(), "both readers fail on the same data");
        return;
    }
    FuzzCheck(read.ok, "both readers accept the same data");
    FuzzCheck(LinesOf(std::string_view(buffer.get(), length)) == read.lines,
              "both readers give the same text");
}

std::string Compressed(std::string_view text) {
    z_stream stream{};
    // 15 window bits plus 16: a gzip member, as a log rotation writes it.
    FuzzCheck(deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8,
                           Z_DEFAULT_STRATEGY) == Z_OK,
              "the compressor starts");
    std::string out(deflateBound(&stream, static_cast<uLong>(text.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    FuzzCheck(deflate(&stream, Z_FINISH) == Z_STREAM_END, "the compressor finishes");
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// The input compressed properly must read back exactly; cut anywhere after the two magic bytes
// (the library reads a file without them as plain text) it must fail with a reason.
void CheckCompressedInput(std::string_view text) {
    const std::string member = Compressed(text);
    const Lines whole = ReadLinesOf(WriteScratchFile("whole.gz", member));
    FuzzCheck(whole.ok && whole.lines == LinesOf(text), "a sound member reads back exactly");

    const std::size_t cut = 2 + text.size() % (member.size() - 2);
    const Lines truncated = ReadLinesOf(WriteScratchFile("cut.gz", member.substr(0, cut)));
    FuzzCheck(!truncated.ok, "a member cut short is an error");
    FuzzCheck(!truncated.error.empty(), "a failed read says why");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = FuzzText(data, size);
    const std::string fileName = WriteScratchFile("fuzz.gz", bytes);
    const Lines read = ReadLinesOf(fileName);
    if (!read.ok) FuzzCheck(!read.error.empty(), "a failed read says why");
    CheckReadAll(fileName, read);
    CheckCompressedInput(bytes);
    return 0;
}
