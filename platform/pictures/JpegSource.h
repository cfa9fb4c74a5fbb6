#pragma once

#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace tolvex {

// The scans of a JPEG stream, counted by walking its markers without decoding
// anything: marker segments are passed over by their length (so a thumbnail
// in one is not counted), entropy-coded data up to its next marker. Stops
// early once the count passes the limit; the file is left at its start again.
[[nodiscard]] int countJpegScans(std::FILE* file, int limit);

// libjpeg's data source for an open file, as its own stdio source but read in
// large chunks: libjpeg-turbo decodes on its fast Huffman path only while a
// whole MCU's worst case is in the buffer, which a 4 KiB buffer rarely holds.
// A file that ends early gets the stdio source's warning and end marker.
struct JpegFileSource {
    jpeg_source_mgr pub{};
    std::FILE* file = nullptr;
    bool startOfFile = true;
    std::vector<JOCTET> buffer;
};

// The source must outlive the decode.
void useJpegFileSource(jpeg_decompress_struct& cinfo, JpegFileSource& source, std::FILE* file);

} // namespace tolvex
