#include "UGCompress.h"

#include "UGError.h"

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
    std::string out;
    char buffer[65536];
    int rc;
    do {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        rc = inflate(&stream, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) {
            std::string reason = stream.msg ? stream.msg : zError(rc);
            if (rc == Z_BUF_ERROR) {
                reason = "unexpected end of data";
            }
            inflateEnd(&stream);
            throw EGError("ZDecompress", reason);
        }
        out.append(buffer, sizeof buffer - stream.avail_out);
    } while (rc != Z_STREAM_END);
    bool trailing = stream.avail_in != 0;
    inflateEnd(&stream);
    if (trailing) {
        throw EGError("ZDecompress", "unexpected data after the end of the stream");
    }
    return out;
}

} // namespace qm
