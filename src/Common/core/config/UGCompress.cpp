#include "UGCompress.h"

#include "UGError.h"

#include <algorithm>
#include <zlib.h>

namespace qm {

std::string ZCompress(const std::string& bytes, int level) {
    uLongf capacity = compressBound(static_cast<uLong>(bytes.size()));
    std::string out(capacity, '\0');
    int rc = compress2(reinterpret_cast<Bytef*>(out.data()), &capacity,
                       reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uLong>(bytes.size()), level);
    if (rc != Z_OK) {
        throw EGError("ZCompress", zError(rc));
    }
    out.resize(capacity);
    return out;
}

std::string ZDecompress(const std::string& bytes) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        throw EGError::Failed("ZDecompress");
    }
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    // Inflate straight into the result, doubling it when full: caches are megabytes of texels,
    // and copying them through a small buffer costs more than the inflation itself.
    std::string out(std::max<size_t>(bytes.size() * 4, 4096), '\0');
    size_t produced = 0;
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        if (produced == out.size()) {
            out.resize(out.size() * 2);
        }
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
        stream.avail_out = static_cast<uInt>(std::min<size_t>(out.size() - produced, 1u << 30));
        uInt before = stream.avail_out;
        rc = inflate(&stream, Z_NO_FLUSH);
        produced += before - stream.avail_out;
        if (rc != Z_OK && rc != Z_STREAM_END) {
            std::string reason = rc == Z_BUF_ERROR ? "unexpected end of data"
                                 : stream.msg      ? stream.msg
                                                   : zError(rc);
            inflateEnd(&stream);
            throw EGError("ZDecompress", reason);
        }
    }
    bool trailing = stream.avail_in != 0;
    inflateEnd(&stream);
    if (trailing) {
        throw EGError("ZDecompress", "unexpected data after the end of the stream");
    }
    out.resize(produced);
    return out;
}

} // namespace qm
